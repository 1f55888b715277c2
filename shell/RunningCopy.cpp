#include "shell/RunningCopy.h"

#include <string>

#include "shell/MainWindowClass.h"

namespace {

// The names carry the bitness: each build is one program with its own hook.
#ifdef _WIN64
#define QUILLMERE_BITNESS L"64"
#else
#define QUILLMERE_BITNESS L"32"
#endif
// "Local\": the user's session, where the desktop and its hook live.
const wchar_t kRunningCopyName[] = L"Local\\Quillmere.Running." QUILLMERE_BITNESS;
const wchar_t kComeForwardName[] = L"Quillmere.ComeForward." QUILLMERE_BITNESS;

// How long a second copy waits for the running copy's main window, and how
// often it looks.
const DWORD kMainWindowWait = 5000;
const DWORD kMainWindowPoll = 50;

BOOL CALLBACK PostToMainWindow(HWND window, LPARAM posted) {
  wchar_t name[64] = L"";
  if (GetClassNameW(window, name, 64) > 0 && std::wstring(name) == kMainWindowClassName) {
    PostMessageW(window, ComeForwardMessage(), 0, 0);
    ++*reinterpret_cast<int *>(posted);
  }
  return TRUE;
}

}  // namespace

bool RunningCopy::Claim() {
  name_.reset(CreateMutexW(nullptr, FALSE, kRunningCopyName));
  return !(name_ && GetLastError() == ERROR_ALREADY_EXISTS);
}

UINT ComeForwardMessage() { return RegisterWindowMessageW(kComeForwardName); }

void CallRunningCopyForward() {
  // Started by the user, this process may hand the foreground on; the
  // running copy's window then comes to the front, not just flashes.
  AllowSetForegroundWindow(ASFW_ANY);
  // Main windows of the other bitness get the message too and ignore it.
  for (DWORD waited = 0;; waited += kMainWindowPoll) {
    int posted = 0;
    EnumWindows(PostToMainWindow, reinterpret_cast<LPARAM>(&posted));
    if (posted || waited >= kMainWindowWait) return;
    Sleep(kMainWindowPoll);
  }
}
