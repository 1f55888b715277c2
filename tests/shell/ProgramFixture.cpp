#include "ProgramFixture.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>

#include "companion/Companion.h"
#include "shell/CompanionProtocol.h"
#include "shell/MainWindowClass.h"
#include "shell/resource.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int);

using namespace winsim::driver;

void ProgramTest::SetUp() {
  char cwd[4096];
  previousDir = getcwd(cwd, sizeof cwd) ? cwd : ".";
  char pattern[] = "/tmp/quillmere-test-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  dir = pattern;
  ASSERT_EQ(chdir(dir.c_str()), 0);
  // The 64-bit program starts its 32-bit companion from its own folder.
  RegisterImage(kCompanionFileName, Machine::X86, [](const std::wstring &line) { return RunCompanion(line); });
}

void ProgramTest::TearDown() {
  if (Running()) {
    if (IsWindow(main)) ChooseMenuCommand(main, IDM_EXIT);
  }
  if (thread.joinable()) thread.join();
  ResetDesktop();
  if (chdir(previousDir.c_str()) != 0) std::perror("chdir");
  std::system(("rm -rf '" + dir + "'").c_str());
}

void ProgramTest::WriteFile(const std::string &name, const std::string &text) {
  std::ofstream(dir + "/" + name, std::ios::binary) << text;
}

std::string ProgramTest::ReadFile(const std::string &name) const {
  std::ifstream in(dir + "/" + name, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void ProgramTest::WriteSettings(int left, int top, int width, int height, bool tray, bool minimize) {
  std::ostringstream text;
  text << "[Window]\nLeft=" << left << "\nTop=" << top << "\nWidth=" << width << "\nHeight=" << height
       << "\nShowTrayIcon=" << (tray ? "true" : "false") << "\nStartMinimize=" << (minimize ? "true" : "false")
       << "\n\n[Path]\nFilterPath=script.py\n";
  WriteFile("quillmere.ini", text.str());
}

void ProgramTest::WriteScript(const std::string &python) { WriteFile("script.py", python); }

void ProgramTest::Start() {
  Launch();
  WaitStarted();
}

void ProgramTest::Launch() {
  finished = false;
  thread = std::thread([this] {
    exitCode = WinMain(GetModuleHandleW(nullptr), nullptr, const_cast<LPSTR>(""), SW_SHOWDEFAULT);
    finished = true;
  });
  for (main = nullptr; !main && !finished;) {
    for (HWND h : TopLevelWindows())
      if (ReadWindow(h).className == kMainWindowClassName) main = h;
    if (!main) std::this_thread::yield();
  }
  ASSERT_NE(main, nullptr);
}

void ProgramTest::WaitStarted() {
  // Idle in its own loop means creation is over.
  WaitIdle(GetWindowThreadProcessId(main, nullptr));
  WaitAllIdle();
}

int ProgramTest::Join() {
  if (thread.joinable()) thread.join();
  return exitCode;
}

int ProgramTest::RunSecondCopy() {
  std::optional<int> code = RunProcess(
      "quillmere (second copy)",
      [] { return WinMain(GetModuleHandleW(nullptr), nullptr, const_cast<LPSTR>(""), SW_SHOWDEFAULT); },
      std::chrono::seconds(20));
  return code ? *code : -1;
}

HWND ProgramTest::AppWindow(DWORD app, const wchar_t *title, RECT rect, HWND owner, DWORD style) {
  NewWindow newWindow;
  newWindow.title = title;
  newWindow.rect = rect;
  newWindow.owner = owner;
  newWindow.style = style;
  HWND h = CreateAppWindow(app, newWindow);
  WaitAllIdle();
  return h;
}

void ProgramTest::Click(HWND window) {
  ClickFocus(window);
  WaitAllIdle();
}

std::wstring ProgramTest::Log() const {
  HWND edit = GetDlgItem(main, IDC_LOGVIEW);
  return ReadWindow(edit).text;
}
