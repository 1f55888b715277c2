#include "module/LogBuffer.h"

#include <algorithm>
#include <atomic>

#include "script/InterpreterLock.h"
#include "script/ScriptErrorReport.h"
#include "module/ScriptModule.h"

namespace {

// Whether the running interpreter has the module; the interpreter's
// finalisation clears it, so the next interpreter gets the module too.
std::atomic<bool> g_moduleRegistered{false};

void ForgetModule() { g_moduleRegistered = false; }

// Script errors go to the log as well, one line each. Reports are made
// with the interpreter lock held, which showing the log must not keep.
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

}  // namespace

LogBuffer &LogBuffer::Instance() {
  static LogBuffer *instance = nullptr;
  if (!instance) {
    // Lives until the process ends.
    instance = new LogBuffer;
    SetScriptErrorSink(LogScriptError);
  }
  if (!g_moduleRegistered && Py_IsInitialized()) instance->BeginRun();
  return *instance;
}

void LogBuffer::BeginRun() {
  InterpreterLock lock;
  if (g_moduleRegistered) return;  // another thread was first
  // Registered before any script can import it. Once per interpreter, even
  // when it fails: the log of a run is never emptied again.
  RegisterScriptModule();
  Py_AtExit(ForgetModule);
  g_moduleRegistered = true;
  std::lock_guard<std::mutex> guard(mutex_);
  text.clear();
}

void LogBuffer::Append(const wchar_t *message, std::size_t length) {
  std::unique_lock<std::mutex> lock(mutex_);
  const wchar_t *end = std::find(message, message + length, L'\0');
  text.append(message, end);
  text += L"\r\n";
  if (text.size() > kLogLimit) {
    text.erase(0, text.size() - kLogLimit);
    // Never begin with the second half of a surrogate pair whose first half
    // was cut away.
    if (!text.empty() && text[0] >= 0xDC00 && text[0] <= 0xDFFF) text.erase(0, 1);
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
    std::wstring shown = text;
    HWND view = editWindow;
    lock.unlock();
    SetWindowTextW(view, shown.c_str());
    lock.lock();
  }
}

std::wstring LogBuffer::Text() {
  std::lock_guard<std::mutex> guard(mutex_);
  return text;
}
