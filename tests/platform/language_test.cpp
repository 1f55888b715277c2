// How the resource loader chooses among the languages a module has a
// resource in (language.rc: US English and Japanese). The program relies on
// it for its menu, accelerators and about box: LoadMenuW (and the class
// menu), LoadAcceleratorsW and DialogBoxParamW name no language, and get
// the version in the user's interface language when the module has one,
// else the US English one; a language-neutral resource comes to every user.
// Under Wine the user's language follows LANG: the suite runs there in the
// default (English), Japanese and German (tests/platform/CMakeLists.txt).
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>

namespace {

HINSTANCE Module() { return GetModuleHandleW(nullptr); }

// The language the loader should choose for this user.
bool JapaneseUser() { return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_JAPANESE; }

std::wstring FirstMenuText(int id) {
  HMENU menu = LoadMenuW(Module(), MAKEINTRESOURCEW(id));
  if (!menu) return L"(no menu)";
  wchar_t text[64] = {};
  GetMenuStringW(menu, 0, text, 64, MF_BYPOSITION);
  DestroyMenu(menu);
  return text;
}

INT_PTR CALLBACK ReadCaption(HWND dialog, UINT message, WPARAM, LPARAM lParam) {
  if (message != WM_INITDIALOG) return FALSE;
  GetWindowTextW(dialog, reinterpret_cast<wchar_t *>(lParam), 64);
  EndDialog(dialog, IDOK);
  return TRUE;
}

class ResourceLanguage : public ::testing::Test {
 protected:
  void SetUp() override {
    RecordProperty("user_ui_language", std::to_string(GetUserDefaultUILanguage()));
    // A run as a user of another language names it, so that a run that
    // did not get that language fails instead of testing English again.
    if (const char *expected = std::getenv("QUILLMERE_TEST_UI_LANGUAGE")) {
      ASSERT_EQ(GetUserDefaultUILanguage(), static_cast<LANGID>(std::strtoul(expected, nullptr, 16)));
    }
  }
};

TEST_F(ResourceLanguage, TheMenuIsInTheUsersLanguageElseInUsEnglish) {
  EXPECT_EQ(FirstMenuText(201), JapaneseUser() ? L"ファイル(&F)" : L"&File")
      << "user interface language " << std::hex << GetUserDefaultUILanguage();
  EXPECT_EQ(FirstMenuText(202), L"neutral");
}

TEST_F(ResourceLanguage, TheAcceleratorTableIsInTheUsersLanguageElseInUsEnglish) {
  HACCEL table = LoadAcceleratorsW(Module(), MAKEINTRESOURCEW(201));
  ASSERT_NE(table, nullptr);
  ACCEL entry{};
  ASSERT_EQ(CopyAcceleratorTableW(table, &entry, 1), 1);
  DestroyAcceleratorTable(table);
  EXPECT_EQ(entry.key, JapaneseUser() ? 'j' : 'e')
      << "user interface language " << std::hex << GetUserDefaultUILanguage();
}

TEST_F(ResourceLanguage, TheDialogIsInTheUsersLanguageElseInUsEnglish) {
  wchar_t caption[64] = {};
  EXPECT_EQ(DialogBoxParamW(Module(), MAKEINTRESOURCEW(201), nullptr, ReadCaption, reinterpret_cast<LPARAM>(caption)),
            IDOK);
  EXPECT_EQ(std::wstring(caption), JapaneseUser() ? L"バージョン情報" : L"About")
      << "user interface language " << std::hex << GetUserDefaultUILanguage();
}

}  // namespace
