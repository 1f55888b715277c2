// Owns one kernel object handle (a process, a thread, an event) and closes
// it when it goes, unless it was released to another owner first. Null and
// INVALID_HANDLE_VALUE both count as no handle.
#ifndef QUILLMERE_SCOPED_UNIQUEHANDLE_H
#define QUILLMERE_SCOPED_UNIQUEHANDLE_H

#include <windows.h>

class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(HANDLE handle) : handle_(handle) {}
  ~UniqueHandle() { reset(); }

  UniqueHandle(const UniqueHandle &) = delete;
  UniqueHandle &operator=(const UniqueHandle &) = delete;

  HANDLE get() const { return handle_; }
  explicit operator bool() const { return handle_ && handle_ != INVALID_HANDLE_VALUE; }

  // Closes the handle held, if any, and takes the new one.
  void reset(HANDLE handle = nullptr) {
    if (*this) CloseHandle(handle_);
    handle_ = handle;
  }
  // Gives the handle up without closing it.
  HANDLE release() {
    HANDLE handle = handle_;
    handle_ = nullptr;
    return handle;
  }

 private:
  HANDLE handle_ = nullptr;
};

#endif
