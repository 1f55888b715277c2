#include "script/LogBuffer.h"

#include <algorithm>

#include "script/ScriptErrorReport.h"
#include "script/ScriptModule.h"

namespace {

// Script errors go to the log as well, one line each.
void LogScriptError(const std::wstring &traceback) {
  std::wstring::size_type start = 0;
  while (start < traceback.size()) {
    std::wstring::size_type end = traceback.find(L'\n', start);
    if (end == std::wstring::npos) end = traceback.size();
    LogBuffer::Instance().Append(traceback.data() + start, end - start);
    start = end + 1;
  }
}

}  // namespace

LogBuffer &LogBuffer::Instance() {
  static LogBuffer *instance = nullptr;
  if (!instance) {
    // Lives until the process ends; the module is registered once, before
    // any script can import it.
    instance = new LogBuffer;
    RegisterScriptModule();
    SetScriptErrorSink(LogScriptError);
  }
  return *instance;
}

void LogBuffer::Append(const wchar_t *message, std::size_t length) {
  const wchar_t *end = std::find(message, message + length, L'\0');
  text.append(message, end);
  text += L"\r\n";
  if (text.size() > kLogLimit) {
    text.erase(0, text.size() - kLogLimit);
    // Never begin with the second half of a surrogate pair whose first half
    // was cut away.
    if (!text.empty() && text[0] >= 0xDC00 && text[0] <= 0xDFFF) text.erase(0, 1);
  }
  SetWindowTextW(editWindow, text.c_str());
}
