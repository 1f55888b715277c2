#include "platform_support.h"
#include "support/TestWindowClass.h"

#include <algorithm>

namespace platform_test {

namespace {

std::mutex g_logMutex;
std::vector<Seen> g_log;

LRESULT CALLBACK RecordingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  Log::Add(Seen{hwnd, message, wParam, GetCurrentThreadId()});
  switch (message) {
    case WM_CREATE:
      if (Behaviour::failCreate) return -1;
      break;
    case WM_GETMINMAXINFO:
      if (Behaviour::minTrackHeight > 0) {
        DefWindowProcW(hwnd, message, wParam, lParam);
        reinterpret_cast<MINMAXINFO *>(lParam)->ptMinTrackSize.y = Behaviour::minTrackHeight;
        return 0;
      }
      break;
    case kWhoRuns:
      Behaviour::inSendDuringCall = InSendMessage() != FALSE;
      return static_cast<LRESULT>(GetCurrentThreadId());
    case kPing:
      return 0x5A;
    case kSendPing:
      return SendMessageW(reinterpret_cast<HWND>(lParam), kPing, 0, 0);
    default:
      break;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

bool OnWine() {
#ifdef _WIN32
  static const bool wine = GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
  return wine;
#else
  return false;
#endif
}

LONG Behaviour::minTrackHeight = 0;
bool Behaviour::failCreate = false;
bool Behaviour::inSendDuringCall = false;

void Log::Add(const Seen &s) {
  std::lock_guard<std::mutex> guard(g_logMutex);
  g_log.push_back(s);
}

void Log::Clear() {
  std::lock_guard<std::mutex> guard(g_logMutex);
  g_log.clear();
}

std::vector<Seen> Log::Of(const std::vector<UINT> &messages, const std::vector<HWND> &windows) {
  std::lock_guard<std::mutex> guard(g_logMutex);
  std::vector<Seen> result;
  for (const Seen &s : g_log) {
    bool m = std::find(messages.begin(), messages.end(), s.message) != messages.end();
    bool w = windows.empty() || std::find(windows.begin(), windows.end(), s.hwnd) != windows.end();
    if (m && w) result.push_back(s);
  }
  return result;
}

std::vector<UINT> Log::Messages(const std::vector<UINT> &messages, const std::vector<HWND> &windows) {
  std::vector<UINT> result;
  for (const Seen &s : Of(messages, windows)) result.push_back(s.message);
  return result;
}

const wchar_t *ClassName() {
  static const wchar_t *name = RegisterTestClass(L"QmPlatformTest", RecordingProc);
  return name;
}

void PlatformTest::SetUp() {
  Behaviour::minTrackHeight = 0;
  Behaviour::failCreate = false;
  Behaviour::inSendDuringCall = false;
  ClassName();
  Log::Clear();
}

void PlatformTest::TearDown() {
  // Children and owned windows go with their parents and owners.
  for (HWND h : made_)
    if (IsWindow(h) && !(GetWindowLongW(h, GWL_STYLE) & WS_CHILD) && !GetWindow(h, GW_OWNER)) DestroyWindow(h);
  for (HWND h : made_)
    if (IsWindow(h)) DestroyWindow(h);
  Pump();
}

HWND PlatformTest::Make(DWORD style, HWND parent, const wchar_t *title, DWORD exStyle, RECT rect) {
  HWND h = CreateWindowExW(exStyle, ClassName(), title, style, rect.left, rect.top, rect.right - rect.left,
                           rect.bottom - rect.top, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
  EXPECT_NE(h, nullptr) << "CreateWindowExW failed with " << GetLastError();
  made_.push_back(h);
  return h;
}

OtherThread::OtherThread() {
  std::promise<std::pair<DWORD, HWND>> started;
  auto ready = started.get_future();
  thread_ = std::thread([&started] {
    HWND window = CreateWindowExW(0, ClassName(), L"Other", WS_OVERLAPPEDWINDOW, 500, 100, 300, 200, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    started.set_value({GetCurrentThreadId(), window});
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    if (IsWindow(window)) DestroyWindow(window);
  });
  auto [id, window] = ready.get();
  id_ = id;
  window_ = window;
}

OtherThread::~OtherThread() {
  PostThreadMessageW(id_, WM_QUIT, 0, 0);
  thread_.join();
}

void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    DispatchMessageW(&msg);
  }
}

std::wstring Text(HWND window) {
  wchar_t buffer[256];
  int n = GetWindowTextW(window, buffer, 256);
  return std::wstring(buffer, static_cast<size_t>(n));
}

LONG Height(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  return r.bottom - r.top;
}

}  // namespace platform_test
