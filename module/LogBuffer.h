// The program's log: the program's own lines, script errors, and every
// line the script writes with Quillmere.log, shown in the main window's
// log view.
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

  // The one log of the process; it lives until the process ends.
  static LogBuffer &Instance();

  // Begins the log of a run of the program: empties it and shows it in the
  // view from now on (null: in no view).
  void ShowIn(HWND view);

  // Appends the message up to its first null character and a line break,
  // keeps the last kLogLimit characters, and shows the whole text in the
  // log view. Any thread may append, with or without the interpreter lock;
  // a thread that holds it should give it up first, as showing the text
  // waits for the view's thread. While one thread shows the text, others
  // only append, and that thread shows their lines too before it returns.
  void Append(const wchar_t *message, std::size_t length);

  // A copy of the text, taken under the log's lock.
  std::wstring Text();

 private:
  LogBuffer() = default;

  std::mutex mutex_;
  // Guarded by mutex_.
  HWND view_ = nullptr;
  std::wstring text_;
  bool showing_ = false;  // a thread is showing the text in the view
  bool changed_ = false;  // the text changed since it was last taken to be shown
};

// The sink of script error reports (SetScriptErrorSink): appends the
// report to the log, one line each. Called with the interpreter lock held,
// which it gives up while it appends.
void LogScriptError(const std::wstring &traceback);

#endif
