#include "module/LogBuffer.h"

#include <algorithm>

#include "script/InterpreterLock.h"

LogBuffer &LogBuffer::Instance() {
  // Never destroyed: threads the script left running may still log while
  // the process ends.
  static LogBuffer *instance = new LogBuffer;
  return *instance;
}

void LogBuffer::ShowIn(HWND view) {
  std::lock_guard<std::mutex> guard(mutex_);
  view_ = view;
  text_.clear();
}

void LogBuffer::Append(const wchar_t *message, std::size_t length) {
  std::unique_lock<std::mutex> lock(mutex_);
  const wchar_t *end = std::find(message, message + length, L'\0');
  text_.append(message, end);
  text_ += L"\r\n";
  if (text_.size() > kLogLimit) {
    text_.erase(0, text_.size() - kLogLimit);
    // Never begin with the second half of a surrogate pair whose first half
    // was cut away.
    if (!text_.empty() && text_[0] >= 0xDC00 && text_[0] <= 0xDFFF) text_.erase(0, 1);
  }
  changed_ = true;
  if (showing_) return;

  // The view's text is set outside the lock: setting it from another
  // thread waits for the view's thread, which may be appending meanwhile.
  struct Showing {
    bool &flag;
    explicit Showing(bool &f) : flag(f) { flag = true; }
    ~Showing() { flag = false; }
  } showing(showing_);
  while (changed_) {
    changed_ = false;
    std::wstring shown = text_;
    HWND view = view_;
    lock.unlock();
    SetWindowTextW(view, shown.c_str());
    lock.lock();
  }
}

std::wstring LogBuffer::Text() {
  std::lock_guard<std::mutex> guard(mutex_);
  return text_;
}

void LogScriptError(const std::wstring &traceback) {
  LogBuffer &log = LogBuffer::Instance();
  InterpreterLock::Released released;
  std::wstring::size_type start = 0;
  while (start < traceback.size()) {
    std::wstring::size_type end = traceback.find(L'\n', start);
    if (end == std::wstring::npos) end = traceback.size();
    log.Append(traceback.data() + start, end - start);
    start = end + 1;
  }
}
