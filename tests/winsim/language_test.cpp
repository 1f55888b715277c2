// Resources in several languages: the loader gives each request the
// version in the user's interface language, set by the driver, and US
// English to a user whose language the module lacks.
#include <winsim/resources.h>

#include <thread>

#include "desktop_fixture.h"

using namespace winsim::driver;
using namespace winsim_test;

namespace {

const char kScript[] = R"rc(#pragma code_page(65001)
LANGUAGE LANG_NEUTRAL, SUBLANG_NEUTRAL
7 ICON "big.ico"

LANGUAGE LANG_ENGLISH, SUBLANG_ENGLISH_US
1 MENU
BEGIN
    POPUP "&File"
    BEGIN
        MENUITEM "E&xit", 105
    END
END
1 ACCELERATORS
BEGIN
    "e", 104, ASCII, ALT
END
2 DIALOGEX 0, 0, 100, 50
CAPTION "About"
BEGIN
    DEFPUSHBUTTON "OK", IDOK, 10, 10, 40, 14
END

LANGUAGE LANG_JAPANESE, SUBLANG_DEFAULT
1 MENU
BEGIN
    POPUP "ファイル(&F)"
    BEGIN
        MENUITEM "終了(&X)", 105
    END
END
1 ACCELERATORS
BEGIN
    "j", 104, ASCII, ALT
END
2 DIALOGEX 0, 0, 100, 50
CAPTION "バージョン情報"
BEGIN
    DEFPUSHBUTTON "OK", IDOK, 10, 10, 40, 14
END

// Only in German: every user gets it, as no better language is there.
3 MENU LANGUAGE LANG_GERMAN, SUBLANG_GERMAN
BEGIN
    MENUITEM "Beenden", 105
END

// In German (the lowest language id here), English and Japanese.
4 MENU LANGUAGE LANG_GERMAN, SUBLANG_GERMAN
BEGIN
    MENUITEM "Datei", 105
END
4 MENU LANGUAGE LANG_ENGLISH, SUBLANG_ENGLISH_US
BEGIN
    MENUITEM "File", 105
END
4 MENU
BEGIN
    MENUITEM "ファイル", 105
END
)rc";

constexpr LANGID kEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
constexpr LANGID kJapanese = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);
constexpr LANGID kGerman = MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN);

INT_PTR CALLBACK AboutProc(HWND dialog, UINT m, WPARAM w, LPARAM) {
  if (m == WM_COMMAND && LOWORD(w) == IDOK) EndDialog(dialog, IDOK);
  return m == WM_INITDIALOG ? TRUE : FALSE;
}

class ResourceLanguageTest : public DesktopTest {
 protected:
  void SetUp() override {
    instance = GetModuleHandleW(nullptr);
    winsim::RegisterResourceScript(instance, kScript, {});
  }

  // The text of the menu's first item (a popup's or a command's).
  std::wstring MenuText(int id) {
    HMENU menu = LoadMenuW(instance, MAKEINTRESOURCEW(id));
    if (!menu) return L"(no menu)";
    wchar_t text[64] = {};
    GetMenuStringW(menu, 0, text, 64, MF_BYPOSITION);
    DestroyMenu(menu);
    return text;
  }

  // The key of the accelerator table's only entry.
  WORD AcceleratorKey() {
    HACCEL table = LoadAcceleratorsW(instance, MAKEINTRESOURCEW(1));
    if (!table) return 0;
    ACCEL entry{};
    const int n = CopyAcceleratorTableW(table, &entry, 1);
    DestroyAcceleratorTable(table);
    return n == 1 ? entry.key : 0;
  }

  // The caption of the about box, read while it is open.
  std::wstring DialogCaption() {
    std::wstring caption;
    std::thread user([&] {
      while (OpenDialogs().empty()) std::this_thread::yield();
      caption = OpenDialogs()[0].caption;
      PressDialogButton(OpenDialogs()[0].window, IDOK);
    });
    DialogBoxParamW(instance, MAKEINTRESOURCEW(2), nullptr, AboutProc, 0);
    user.join();
    return caption;
  }

  HINSTANCE instance = nullptr;
};

TEST_F(ResourceLanguageTest, AUserInUsEnglishUntilTheDriverSaysOtherwise) {
  EXPECT_EQ(GetUserDefaultUILanguage(), kEnglish);
  EXPECT_EQ(MenuText(1), L"&File");
  EXPECT_EQ(AcceleratorKey(), 'e');
  EXPECT_EQ(DialogCaption(), L"About");
}

TEST_F(ResourceLanguageTest, AJapaneseUserGetsTheJapaneseMenuAcceleratorsAndDialog) {
  SetUserInterfaceLanguage(kJapanese);
  EXPECT_EQ(GetUserDefaultUILanguage(), kJapanese);
  EXPECT_EQ(MenuText(1), L"ファイル(&F)");
  EXPECT_EQ(AcceleratorKey(), 'j');
  EXPECT_EQ(DialogCaption(), L"バージョン情報");
  EXPECT_NE(LoadIconW(instance, MAKEINTRESOURCEW(7)), nullptr);  // language-neutral
  // A resource in none of the user's languages is given in the one it has.
  EXPECT_EQ(MenuText(3), L"Beenden");
  EXPECT_EQ(MenuText(4), L"ファイル");
}

TEST_F(ResourceLanguageTest, AUserWhoseLanguageTheModuleLacksGetsUsEnglish) {
  // A German user of a module in English and Japanese; a French one, whose
  // language id is above both; a Japanese language of another region.
  for (LANGID user : {kGerman, MAKELANGID(LANG_FRENCH, SUBLANG_FRENCH), MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_UK)}) {
    SetUserInterfaceLanguage(user);
    EXPECT_EQ(MenuText(1), L"&File") << std::hex << user;
    EXPECT_EQ(AcceleratorKey(), 'e') << std::hex << user;
    EXPECT_EQ(DialogCaption(), L"About") << std::hex << user;
    EXPECT_NE(LoadIconW(instance, MAKEINTRESOURCEW(7)), nullptr) << std::hex << user;
    // English before the module's first language.
    if (user != kGerman) {
      EXPECT_EQ(MenuText(4), L"File") << std::hex << user;
    }
  }
  // The German user gets the resources that have German in German.
  SetUserInterfaceLanguage(kGerman);
  EXPECT_EQ(MenuText(3), L"Beenden");
  EXPECT_EQ(MenuText(4), L"Datei");
}

TEST_F(ResourceLanguageTest, TheClassMenuIsLoadedInTheLanguageOfWhenTheWindowIsMade) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = instance;
  wc.lpszMenuName = MAKEINTRESOURCEW(1);
  wc.lpszClassName = L"Localized";
  ASSERT_NE(RegisterClassExW(&wc), 0);
  auto make = [&] {
    return CreateWindowExW(0, L"Localized", L"w", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, nullptr, instance,
                           nullptr);
  };
  auto firstItem = [](HWND window) {
    wchar_t text[64] = {};
    GetMenuStringW(GetMenu(window), 0, text, 64, MF_BYPOSITION);
    return std::wstring(text);
  };
  SetUserInterfaceLanguage(kJapanese);
  HWND japanese = make();
  SetUserInterfaceLanguage(kEnglish);
  HWND english = make();
  EXPECT_EQ(firstItem(japanese), L"ファイル(&F)");
  EXPECT_EQ(firstItem(english), L"&File");
  DestroyWindow(japanese);
  DestroyWindow(english);
}

TEST_F(ResourceLanguageTest, ANewDesktopIsInUsEnglishAgain) {
  SetUserInterfaceLanguage(kJapanese);
  ResetDesktop();
  EXPECT_EQ(GetUserDefaultUILanguage(), kEnglish);
  EXPECT_EQ(MenuText(1), L"&File");
}

}  // namespace
