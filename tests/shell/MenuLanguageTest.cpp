// The program's menu, accelerators and about box in the user's interface
// language: Japanese for a Japanese user, US English for an English one and
// for a user whose language the program does not have (German).
#include "ProgramFixture.h"
#include "shell/resource.h"

#include <gmock/gmock.h>

#include <string>
#include <vector>

using namespace winsim::driver;

namespace {

// The main window's menu as the user sees it: each popup's text, then its
// items' texts with their command ids ("-" for a separator).
std::vector<std::wstring> MenuLines(HWND window) {
  std::vector<std::wstring> lines;
  HMENU bar = GetMenu(window);
  for (int i = 0; i < GetMenuItemCount(bar); ++i) {
    wchar_t text[128] = {};
    GetMenuStringW(bar, static_cast<UINT>(i), text, 128, MF_BYPOSITION);
    lines.push_back(text);
    HMENU popup = GetSubMenu(bar, i);
    for (int j = 0; j < GetMenuItemCount(popup); ++j) {
      wchar_t item[128] = {};
      GetMenuStringW(popup, static_cast<UINT>(j), item, 128, MF_BYPOSITION);
      const UINT id = GetMenuItemID(popup, j);
      lines.push_back(id == 0 ? L"  -" : L"  " + std::wstring(item) + L" " + std::to_wstring(id));
    }
  }
  return lines;
}

class MenuLanguage : public ProgramTest {
 protected:
  void SetUp() override {
    ProgramTest::SetUp();
    WriteSettings(10, 20, 400, 300, false, false);
    WriteScript("def configure():\n    return ([],)\n");
  }

  void StartAs(LANGID language) {
    SetUserInterfaceLanguage(language);
    Start();
  }

  // The caption of the about box, opened with Alt+?, and closed again.
  std::wstring AboutCaption() {
    TypeKeys(main, "alt+?");
    WaitAllIdle();
    auto dialogs = OpenDialogs();
    if (dialogs.size() != 1) return L"(no about box)";
    PressDialogButton(dialogs[0].window, IDOK);
    return dialogs[0].caption;
  }

  // The program's accelerator table, loaded as the main window loads it.
  std::vector<ACCEL> Accelerators() {
    HACCEL table = LoadAcceleratorsW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDC_QUILLMERE));
    std::vector<ACCEL> entries(static_cast<size_t>(CopyAcceleratorTableW(table, nullptr, 0)));
    CopyAcceleratorTableW(table, entries.data(), static_cast<int>(entries.size()));
    DestroyAcceleratorTable(table);
    return entries;
  }
};

const std::vector<std::wstring> kEnglishMenu{
    L"&File", L"  &Reload script\tF5 110", L"  &Pause 111", L"  -", L"  E&xit 105",
    L"&Help", L"  &About Quillmere... 104"};

MATCHER_P3(IsAccel, flags, key, command, "") { return arg.fVirt == flags && arg.key == key && arg.cmd == command; }

TEST_F(MenuLanguage, AJapaneseUserSeesTodaysJapaneseMenuWithTheNewCommands) {
  StartAs(MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT));
  EXPECT_EQ(MenuLines(main),
            (std::vector<std::wstring>{L"ファイル(&F)", L"  スクリプトの再読み込み(&R)\tF5 110", L"  一時停止(&P) 111",
                                       L"  -", L"  アプリケーションの終了(&X) 105", L"ヘルプ(&H)",
                                       L"  バージョン情報(&A)... 104"}));
  EXPECT_EQ(AboutCaption(), L"バージョン情報 Quillmere");
}

TEST_F(MenuLanguage, AnEnglishUserSeesTheEnglishMenu) {
  StartAs(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
  EXPECT_EQ(MenuLines(main), kEnglishMenu);
  EXPECT_EQ(AboutCaption(), L"About Quillmere");
}

TEST_F(MenuLanguage, AGermanUserSeesTheEnglishMenu) {
  StartAs(MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN));
  EXPECT_EQ(MenuLines(main), kEnglishMenu);
  EXPECT_EQ(AboutCaption(), L"About Quillmere");
}

TEST_F(MenuLanguage, BothLanguagesHaveTheAboutKeysAndF5ForReload) {
  for (LANGID language : {MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT), MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)}) {
    SetUserInterfaceLanguage(language);
    EXPECT_THAT(Accelerators(), testing::ElementsAre(IsAccel(FALT, '?', IDM_ABOUT), IsAccel(FALT, '/', IDM_ABOUT),
                                                     IsAccel(FVIRTKEY, VK_F5, IDM_RELOAD)))
        << std::hex << language;
  }
}

}  // namespace
