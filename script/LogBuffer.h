// The program's log: every line the script writes with Quillmere.log, shown
// in the main window's log view. The first use registers the script module.
#ifndef QUILLMERE_SCRIPT_LOGBUFFER_H
#define QUILLMERE_SCRIPT_LOGBUFFER_H

#include <windows.h>

#include <cstddef>
#include <string>

class LogBuffer {
 public:
  // The most characters the log keeps; older text is cut off at the front.
  static const std::size_t kLogLimit = 0x8000;

  // The one log of the process. The first call creates it and registers the
  // module "Quillmere" with the interpreter, which must be running.
  static LogBuffer &Instance();

  // Appends the message up to its first null character and a line break,
  // keeps the last kLogLimit characters, and shows the whole text in the
  // log view.
  void Append(const wchar_t *message, std::size_t length);

  HWND editWindow = nullptr;
  std::wstring text;

 private:
  LogBuffer() = default;
};

#endif
