// Resources from a module's resource script: the class menu, accelerators
// translated from typed keys, a dialog box from its template, icons, and
// the notification area.
#include <shellapi.h>
#include <winsim/resources.h>

#include <thread>

#include "desktop_fixture.h"

using namespace winsim::driver;
using namespace winsim_test;

namespace {

const char kScript[] = R"rc(#include "ids.h"
#pragma code_page(65001)
7 ICON "big.ico"
IDM_MAIN MENU
BEGIN
    POPUP "ファイル(&F)"
    BEGIN
        MENUITEM "終了(&X)", IDM_EXIT
    END
END
IDM_MAIN ACCELERATORS
BEGIN
    "?", IDM_ABOUT, ASCII, ALT
    "/", IDM_ABOUT, ASCII, ALT
END
IDD_ABOUT DIALOGEX 0, 0, 170, 74
STYLE DS_SETFONT | DS_MODALFRAME | DS_FIXEDSYS | WS_POPUP | WS_CAPTION | WS_SYSMENU
CAPTION "About"
FONT 9, "MS UI Gothic", 0, 0, 0x1
BEGIN
    ICON            128,IDC_STATIC,14,14,21,20
    LTEXT           "Version 1.02",IDC_STATIC,42,14,114,8,SS_NOPREFIX
    DEFPUSHBUTTON   "OK",IDOK,113,53,50,14,WS_GROUP
END
)rc";
const char kIds[] =
    "#define IDM_MAIN 109\n#define IDM_EXIT 105\n#define IDM_ABOUT 104\n#define IDD_ABOUT 103\n"
    "#define IDC_STATIC (-1)\n";

std::vector<WPARAM> g_commands;
LRESULT CALLBACK MainProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_COMMAND) {
    g_commands.push_back(w);
    return 0;
  }
  return DefWindowProcW(h, m, w, l);
}

INT_PTR CALLBACK AboutProc(HWND dialog, UINT m, WPARAM w, LPARAM) {
  if (m == WM_INITDIALOG) return TRUE;
  if (m == WM_COMMAND && (LOWORD(w) == IDOK || LOWORD(w) == IDCANCEL)) {
    EndDialog(dialog, LOWORD(w));
    return TRUE;
  }
  return FALSE;
}

class ResourceTest : public DesktopTest {
 protected:
  void SetUp() override {
    instance = GetModuleHandleW(nullptr);
    winsim::RegisterResourceScript(instance, kScript, {{"ids.h", kIds}});
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = MainProc;
    wc.hInstance = instance;
    wc.lpszMenuName = MAKEINTRESOURCEW(109);
    wc.lpszClassName = L"Main";
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(7));
    ASSERT_NE(RegisterClassExW(&wc), 0);
    main = CreateWindowExW(0, L"Main", L"main", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, nullptr, instance,
                           nullptr);
    g_commands.clear();
  }
  HINSTANCE instance = nullptr;
  HWND main = nullptr;
};

TEST_F(ResourceTest, ClassMenuIsLoadedFromTheScript) {
  HMENU menu = GetMenu(main);
  ASSERT_NE(menu, nullptr);
  ASSERT_EQ(GetMenuItemCount(menu), 1);
  wchar_t text[32];
  GetMenuStringW(menu, 0, text, 32, MF_BYPOSITION);
  EXPECT_EQ(std::wstring(text), L"ファイル(&F)");
  EXPECT_EQ(GetMenuItemID(GetSubMenu(menu, 0), 0), 105u);
  EXPECT_TRUE(ChooseMenuCommand(main, 105));
  EXPECT_FALSE(ChooseMenuCommand(main, 999));
}

TEST_F(ResourceTest, AltCharacterAcceleratorsTranslateIntoCommands) {
  HACCEL table = LoadAcceleratorsW(instance, MAKEINTRESOURCEW(109));
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(LoadAcceleratorsW(instance, MAKEINTRESOURCEW(110)), nullptr);
  ASSERT_TRUE(TypeKeys(main, "alt+?"));
  ASSERT_TRUE(TypeKeys(main, "alt+/"));
  ASSERT_TRUE(TypeKeys(main, "alt+x"));
  ASSERT_TRUE(TypeKeys(main, "?"));  // without Alt: no accelerator
  MSG msg;
  int translated = 0;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (TranslateAcceleratorW(msg.hwnd, table, &msg)) {
      ++translated;
      continue;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  EXPECT_EQ(translated, 2);
  ASSERT_EQ(g_commands.size(), 2u);
  EXPECT_EQ(g_commands[0], MAKEWPARAM(104, 1));  // from an accelerator
}

TEST_F(ResourceTest, DialogFromTemplateRunsModallyAndClosesWithOkEscOrCloseBox) {
  for (int way = 0; way < 3; ++way) {
    std::thread user([&] {
      while (OpenDialogs().empty()) std::this_thread::yield();
      HWND dialog = OpenDialogs()[0].window;
      WaitIdle(GetWindowThreadProcessId(dialog, nullptr));
      if (way == 0) {
        EXPECT_TRUE(PressDialogButton(dialog, IDOK));
      } else if (way == 1) {
        TypeKeys(dialog, "esc");
      } else {
        ClickCloseBox(dialog);
      }
    });
    INT_PTR result = DialogBoxParamW(instance, MAKEINTRESOURCEW(103), main, AboutProc, 0);
    user.join();
    EXPECT_EQ(result, way == 0 ? IDOK : IDCANCEL) << way;
    EXPECT_TRUE(IsWindowEnabled(main));
    EXPECT_TRUE(OpenDialogs().empty());
  }
  EXPECT_EQ(DialogBoxParamW(instance, MAKEINTRESOURCEW(999), main, AboutProc, 0), -1);
}

TEST_F(ResourceTest, DialogHasItsCaptionControlsAndOwner) {
  std::thread user([&] {
    while (OpenDialogs().empty()) std::this_thread::yield();
    auto info = OpenDialogs()[0];
    EXPECT_EQ(info.caption, L"About");
    EXPECT_EQ(info.owner, main);
    EXPECT_FALSE(info.messageBox);
    EXPECT_EQ(GetAncestor(info.window, GA_ROOTOWNER), main);
    HWND ok = GetDlgItem(info.window, IDOK);
    wchar_t text[16];
    GetWindowTextW(ok, text, 16);
    EXPECT_EQ(std::wstring(text), L"OK");
    EXPECT_FALSE(IsWindowEnabled(main));
    PressDialogButton(info.window, IDOK);
  });
  DialogBoxParamW(instance, MAKEINTRESOURCEW(103), main, AboutProc, 0);
  user.join();
}

TEST_F(ResourceTest, IconsComeFromTheScriptOrTheSystem) {
  HICON icon = LoadIconW(instance, MAKEINTRESOURCEW(7));
  EXPECT_NE(icon, nullptr);
  EXPECT_EQ(LoadIconW(instance, MAKEINTRESOURCEW(7)), icon);
  EXPECT_EQ(LoadIconW(instance, MAKEINTRESOURCEW(128)), nullptr);
  EXPECT_NE(LoadIconW(nullptr, IDI_APPLICATION), nullptr);
  EXPECT_NE(LoadCursorW(nullptr, IDC_ARROW), nullptr);
}

TEST_F(ResourceTest, TrayIconIsAddedClickedAndDeleted) {
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof data;
  data.hWnd = main;
  data.uID = 1;
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = WM_USER + 2;
  data.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(7));
  wcscpy(data.szTip, L"tip");
  EXPECT_TRUE(Shell_NotifyIconW(NIM_ADD, &data));
  EXPECT_FALSE(Shell_NotifyIconW(NIM_ADD, &data));
  auto icons = TrayIcons();
  ASSERT_EQ(icons.size(), 1u);
  EXPECT_EQ(icons[0].tip, L"tip");
  EXPECT_TRUE(ClickTray(main, 1, MouseButton::Right));
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, main, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 2));
  EXPECT_EQ(msg.wParam, 1u);
  EXPECT_EQ(msg.lParam, WM_RBUTTONDOWN);
  EXPECT_TRUE(Shell_NotifyIconW(NIM_DELETE, &data));
  EXPECT_TRUE(TrayIcons().empty());
  EXPECT_FALSE(ClickTray(main, 1, MouseButton::Left));
}

TEST_F(ResourceTest, RestartingTheShellForgetsTheIconsAndAnnouncesTheNewTaskbar) {
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof data;
  data.hWnd = main;
  data.uID = 1;
  ASSERT_TRUE(Shell_NotifyIconW(NIM_ADD, &data));
  HWND child = CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 10, 10, main, nullptr, instance, nullptr);
  ASSERT_NE(child, nullptr);
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
  }

  RestartShell();
  EXPECT_TRUE(TrayIcons().empty());
  const UINT taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
  std::vector<HWND> receivers;
  while (PeekMessageW(&msg, nullptr, taskbarCreated, taskbarCreated, PM_REMOVE)) receivers.push_back(msg.hwnd);
  EXPECT_EQ(receivers, std::vector<HWND>{main});   // top-level windows only
  EXPECT_TRUE(Shell_NotifyIconW(NIM_ADD, &data));  // the new taskbar takes the icon again
}

TEST_F(ResourceTest, EditControlKeepsTextFontAndReadOnlyState) {
  HWND edit = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_READONLY, 0, 0, 100, 100, main,
                              reinterpret_cast<HMENU>(5), instance, nullptr);
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(GetDlgCtrlID(edit), 5);
  HDC dc = GetDC(main);
  HFONT font = CreateFontW(-MulDiv(9, GetDeviceCaps(dc, LOGPIXELSY), 72), 0, 0, 0, 0, 0, 0, 0, SHIFTJIS_CHARSET, 0, 0,
                           0, 0, L"MS P Gothic");
  ReleaseDC(main, dc);
  SendMessageW(edit, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(edit, WM_GETFONT, 0, 0)), font);
  FontInfo info{};
  ASSERT_TRUE(ReadFont(font, info));
  EXPECT_EQ(info.height, -12);
  EXPECT_EQ(info.charSet, static_cast<DWORD>(SHIFTJIS_CHARSET));
  EXPECT_EQ(info.face, L"MS P Gothic");
  SetWindowTextW(edit, L"line\r\n");
  SendMessageW(edit, WM_CHAR, 'x', 0);  // read-only: typing changes nothing
  EXPECT_EQ(ReadWindow(edit).text, L"line\r\n");
  SetScreenDpi(120);
  dc = GetDC(main);
  EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSY), 120);
  ReleaseDC(main, dc);
}

}  // namespace
