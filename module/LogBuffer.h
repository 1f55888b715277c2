// The program's log: every line the script writes with Quillmere.log, shown
// in the main window's log view. Its first use in each interpreter the
// program starts registers the script module there.
#ifndef QUILLMERE_MODULE_LOGBUFFER_H
#define QUILLMERE_MODULE_LOGBUFFER_H

#include <windows.h>

#include <cstddef>
#include <mutex>
#include <string>

class LogBuffer {
 public:
  // The most characters the log keeps; older text is cut off at the front.
  static const std::size_t kLogLimit = 0x8000;

  // The one log of the process. The first call after the interpreter has
  // started registers the module "Quillmere" with it and begins an empty
  // log, as a new run of the program begins; the interpreter lock is taken
  // for that, so the caller may hold it or not.
  static LogBuffer &Instance();

  // Appends the message up to its first null character and a line break,
  // keeps the last kLogLimit characters, and shows the whole text in the
  // log view. Any thread may append, with or without the interpreter lock;
  // a thread that holds it should give it up first, as showing the text
  // waits for the view's thread. While one thread shows the text, others
  // only append, and that thread shows their lines too before it returns.
  void Append(const wchar_t *message, std::size_t length);

  // A copy of the text, taken under the log's lock.
  std::wstring Text();

  HWND editWindow = nullptr;
  // Guarded by the log's lock once script threads can run.
  std::wstring text;

 private:
  LogBuffer() = default;
  // Registers the module with the running interpreter and empties the log,
  // once per interpreter.
  void BeginRun();

  std::mutex mutex_;
  bool showing_ = false;  // a thread is showing the text in the view
  bool changed_ = false;  // the text changed since it was last taken to be shown
};

#endif
