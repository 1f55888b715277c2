// Owns a directory change notification handle (FindFirstChangeNotificationA)
// and closes it with FindCloseChangeNotification when it goes.
// INVALID_HANDLE_VALUE, what a failed FindFirstChangeNotificationA gives,
// counts as no handle.
#ifndef QUILLMERE_SCOPED_CHANGENOTIFICATION_H
#define QUILLMERE_SCOPED_CHANGENOTIFICATION_H

#include <windows.h>

class ChangeNotification {
 public:
  ChangeNotification() = default;
  explicit ChangeNotification(HANDLE handle) : handle_(handle) {}
  ~ChangeNotification() { reset(); }

  ChangeNotification(const ChangeNotification &) = delete;
  ChangeNotification &operator=(const ChangeNotification &) = delete;

  HANDLE get() const { return handle_; }
  explicit operator bool() const { return handle_ && handle_ != INVALID_HANDLE_VALUE; }

  // Closes the handle held, if any, and takes the new one.
  void reset(HANDLE handle = INVALID_HANDLE_VALUE) {
    if (*this) FindCloseChangeNotification(handle_);
    handle_ = handle;
  }

 private:
  HANDLE handle_ = INVALID_HANDLE_VALUE;
};

#endif
