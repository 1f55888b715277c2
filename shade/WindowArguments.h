// The arguments of the script calls that one event makes for one root
// window: (handle, title, class name), the handle as its signed 32-bit
// value. The title is read again before every call, since a filter or
// handler may change it; the argument tuple is made again only when it
// did. The class name of a window never changes, so it is read once, and
// again only when the title read gives nothing (the window may be gone,
// and a window that is gone has no class name either).
#ifndef QUILLMERE_SHADE_WINDOWARGUMENTS_H
#define QUILLMERE_SHADE_WINDOWARGUMENTS_H

#include "script/PythonApi.h"

#include <windows.h>

#include <string>

class WindowArguments {
 public:
  explicit WindowArguments(HWND root) : root_(root) {}
  // Takes the interpreter lock to release the tuple, if one was made.
  ~WindowArguments();
  WindowArguments(const WindowArguments &) = delete;
  WindowArguments &operator=(const WindowArguments &) = delete;

  HWND Root() const { return root_; }

  // Reads the window's texts as they are now. Called without the
  // interpreter lock: reading a title may wait for the window's thread,
  // which may be a script thread waiting for the lock.
  void Read();

  // The tuple for the texts last read, made when the one held is for other
  // texts; borrowed, valid until the next call. Null with an error pending when
  // it cannot be made. Requires the interpreter lock; making objects can
  // run script finalisers, so the caller watches it as script code.
  PyObject *Tuple();

 private:
  const HWND root_;
  bool classRead_ = false;
  std::wstring title_;
  std::wstring classname_;
  PyObject *tuple_ = nullptr;  // owned, or null
  bool current_ = false;       // tuple_ was made for the texts held
};

#endif
