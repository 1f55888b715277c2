#include "shell/CompanionProcess.h"

#include <boost/format.hpp>

#include <vector>

#include "hook/CompanionEvents.h"
#include "shell/CompanionProtocol.h"

namespace {

std::string NotCovered(DWORD error) {
  return boost::str(boost::format("32-bit applications are not covered: quillmere32.exe could not be "
                                  "started (error %u).") %
                    error);
}

}  // namespace

std::wstring CompanionPath() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return kCompanionFileName;
    if (length < buffer.size()) {
      std::wstring path(buffer.data(), length);
      const std::size_t slash = path.find_last_of(L"\\/");
      return (slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1)) + kCompanionFileName;
    }
    buffer.resize(buffer.size() * 2);  // the path was cut short
  }
}

std::string CompanionProcess::Start(HWND programWindow) {
  programWindow_ = programWindow;
  const std::wstring path = CompanionPath();
  // The window's 32-bit value: the companion widens it as the system does.
  std::wstring commandLine = L"\"" + path + L"\" " + std::to_wstring(GetCurrentProcessId()) + L" " +
                             std::to_wstring(Narrow(reinterpret_cast<UINT_PTR>(programWindow)));
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(path.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
    return NotCovered(GetLastError());
  CloseHandle(info.hThread);
  process_.reset(info.hProcess);
  threadId_ = info.dwThreadId;
  return std::string();
}

void CompanionProcess::Stop() {
  if (!process_) return;
  // It removes its hook on the way out. One that does not end in time (or
  // has no queue yet to take the request) is ended; the system removes the
  // hook of an ended process.
  PostThreadMessageW(threadId_, kCompanionStop, 0, 0);
  if (WaitForSingleObject(process_.get(), kCompanionStopWaitMs) != WAIT_OBJECT_0) TerminateProcess(process_.get(), 0);
  process_.reset();
  threadId_ = 0;
}

std::string CompanionProcess::Ended() {
  DWORD code = 0;
  GetExitCodeProcess(process_.get(), &code);
  process_.reset();
  threadId_ = 0;
  if (restarts_ >= kCompanionRestarts)
    return boost::str(boost::format("The 32-bit helper ended (exit code %u) again; 32-bit applications "
                                    "are no longer covered.") %
                      code);
  ++restarts_;
  std::string line = boost::str(boost::format("The 32-bit helper ended (exit code %u); starting it again "
                                              "(%d of %d).") %
                                code % restarts_ % kCompanionRestarts);
  const std::string failed = Start(programWindow_);
  if (!failed.empty()) line += " " + failed;
  return line;
}
