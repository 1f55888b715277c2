// The resource script reader: the program's script as it is written, the
// preprocessor lines it uses, and a clear error with its line for
// everything the reader does not take.
#include "rc_script.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>

namespace {

using winsim::rc::Accelerator;
using winsim::rc::DialogControl;
using winsim::rc::MenuItem;
using winsim::rc::ParseError;
using winsim::rc::ParseScript;
using winsim::rc::Script;

const char kResourceHeader[] = R"rc(// Identifiers of the program's resources.
#ifndef SAMPLE_RESOURCE_H
#define SAMPLE_RESOURCE_H

#define IDD_ABOUTBOX 103
#define IDM_ABOUT 104
#define IDM_EXIT 105
#define IDI_APP 107
#define IDI_SMALL 108
#define IDC_APP 109

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

#endif
)rc";

// A generated header, as a build would write the version into one.
const char kVersionHeader[] = R"rc(#define SAMPLE_VERSION_MAJOR 1
#define SAMPLE_VERSION_MINOR 2
#define SAMPLE_VERSION_TEXT "1.02"
)rc";

const char kProgramScript[] = R"rc(// Resources of the program.
#pragma code_page(65001)
#include <windows.h>
#include "resource.h"
#include "resource.h"
#include "version.h"

IDI_APP ICON "icons/app.ico"
IDI_SMALL ICON "icons/app_small.ico"

IDC_APP MENU
BEGIN
    POPUP "ファイル(&F)"
    BEGIN
        MENUITEM "アプリケーションの終了(&X)", IDM_EXIT
    END
    POPUP "ヘルプ(&H)"
    BEGIN
        MENUITEM "バージョン情報(&A)...", IDM_ABOUT
    END
END

IDC_APP ACCELERATORS
BEGIN
    "?", IDM_ABOUT, ASCII, ALT
    "/", IDM_ABOUT, ASCII, ALT
END

/* The icon control
   shows the program icon. */
IDD_ABOUTBOX DIALOGEX 0, 0, 170, 74
STYLE DS_SETFONT | DS_MODALFRAME | DS_FIXEDSYS | WS_POPUP | WS_CAPTION | WS_SYSMENU
CAPTION "バージョン情報 Sample"
FONT 9, "MS UI Gothic", 0, 0, 0x1
BEGIN
    ICON            IDI_APP,IDC_STATIC,14,14,21,20
    LTEXT           "Sample, Version " SAMPLE_VERSION_TEXT,IDC_STATIC,42,14,114,8,SS_NOPREFIX
    LTEXT           "The Sample developers, 2026",IDC_STATIC,42,26,114,8
    DEFPUSHBUTTON   "OK",IDOK,113,53,50,14,WS_GROUP
END

1 VERSIONINFO
 FILEVERSION SAMPLE_VERSION_MAJOR,SAMPLE_VERSION_MINOR,0,0
 PRODUCTVERSION SAMPLE_VERSION_MAJOR,SAMPLE_VERSION_MINOR,0,0
 FILEFLAGSMASK VS_FFI_FILEFLAGSMASK
 FILEFLAGS 0x0L
 FILEOS VOS_NT_WINDOWS32
 FILETYPE VFT_APP
 FILESUBTYPE VFT2_UNKNOWN
BEGIN
    BLOCK "StringFileInfo"
    BEGIN
        BLOCK "041104b0"
        BEGIN
            VALUE "FileDescription", "Sample"
            VALUE "FileVersion", SAMPLE_VERSION_TEXT
        END
    END
    BLOCK "VarFileInfo"
    BEGIN
        VALUE "Translation", 0x411, 1200
    END
END
)rc";

const std::map<std::string, std::string> kIncludes{{"resource.h", kResourceHeader}, {"version.h", kVersionHeader}};

Script ParseProgram() { return ParseScript(kProgramScript, kIncludes); }

// Parses text expecting a ParseError; returns its line (0 if none was thrown).
int ErrorLine(const std::string &text, const std::map<std::string, std::string> &includes = {}) {
  try {
    ParseScript(text, includes);
  } catch (const ParseError &e) {
    return e.line;
  }
  return 0;
}

std::string ErrorText(const std::string &text, const std::map<std::string, std::string> &includes = {}) {
  try {
    ParseScript(text, includes);
  } catch (const ParseError &e) {
    return e.what();
  }
  return "";
}

const DWORD kChild = WS_CHILD | WS_VISIBLE;
// The language of resources written before any LANGUAGE statement.
constexpr WORD kEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

// The icons' files by id, for a script whose icons are each in one language.
std::map<int, std::string> IconFiles(const Script &s) {
  std::map<int, std::string> files;
  for (const auto &[id, versions] : s.icons) {
    EXPECT_EQ(versions.size(), 1u) << "icon " << id;
    files[id] = versions.begin()->second;
  }
  return files;
}

TEST(RcScriptProgram, ReadsTheMenuAcceleratorsAndIcons) {
  const Script s = ParseProgram();
  ASSERT_EQ(s.menus.size(), 1u);
  const auto &menu = s.menus.at(109).at(kEnglish);
  ASSERT_EQ(menu.size(), 2u);
  EXPECT_EQ(menu[0].text, L"ファイル(&F)");
  EXPECT_EQ(menu[0].flags, static_cast<UINT>(MF_POPUP));
  ASSERT_EQ(menu[0].children.size(), 1u);
  EXPECT_EQ(menu[0].children[0].text, L"アプリケーションの終了(&X)");
  EXPECT_EQ(menu[0].children[0].id, 105u);
  EXPECT_EQ(menu[0].children[0].flags, static_cast<UINT>(MF_STRING));
  EXPECT_EQ(menu[1].text, L"ヘルプ(&H)");
  ASSERT_EQ(menu[1].children.size(), 1u);
  EXPECT_EQ(menu[1].children[0].text, L"バージョン情報(&A)...");
  EXPECT_EQ(menu[1].children[0].id, 104u);

  ASSERT_EQ(s.accelerators.size(), 1u);
  const auto &table = s.accelerators.at(109).at(kEnglish);
  ASSERT_EQ(table.size(), 2u);
  EXPECT_EQ(table[0].key, '?');
  EXPECT_EQ(table[0].fVirt, FALT);
  EXPECT_EQ(table[0].cmd, 104);
  EXPECT_EQ(table[1].key, '/');
  EXPECT_EQ(table[1].fVirt, FALT);
  EXPECT_EQ(table[1].cmd, 104);

  const std::map<int, std::string> icons{{107, "icons/app.ico"}, {108, "icons/app_small.ico"}};
  EXPECT_EQ(IconFiles(s), icons);
}

TEST(RcScriptProgram, ReadsTheAboutDialog) {
  const Script s = ParseProgram();
  ASSERT_EQ(s.dialogs.size(), 1u);
  const auto &d = s.dialogs.at(103).at(kEnglish);
  EXPECT_EQ(d.x, 0);
  EXPECT_EQ(d.y, 0);
  EXPECT_EQ(d.cx, 170);
  EXPECT_EQ(d.cy, 74);
  EXPECT_EQ(d.style, static_cast<DWORD>(DS_SETFONT | DS_MODALFRAME | DS_FIXEDSYS | WS_POPUP | WS_CAPTION | WS_SYSMENU));
  EXPECT_EQ(d.exStyle, 0u);
  EXPECT_EQ(d.caption, L"バージョン情報 Sample");
  EXPECT_EQ(d.fontFace, L"MS UI Gothic");
  EXPECT_EQ(d.fontPointSize, 9);
  ASSERT_EQ(d.controls.size(), 4u);

  const DialogControl &icon = d.controls[0];
  EXPECT_EQ(icon.className, L"STATIC");
  EXPECT_EQ(icon.text, L"");
  EXPECT_EQ(icon.iconId, 107);
  EXPECT_EQ(icon.id, -1);
  EXPECT_EQ(icon.style, kChild | SS_ICON);
  EXPECT_EQ(icon.x, 14);
  EXPECT_EQ(icon.y, 14);
  EXPECT_EQ(icon.cx, 21);
  EXPECT_EQ(icon.cy, 20);

  const DialogControl &version = d.controls[1];
  EXPECT_EQ(version.className, L"STATIC");
  EXPECT_EQ(version.text, L"Sample, Version 1.02");  // the macro's string joins the one before it
  EXPECT_EQ(version.id, -1);
  EXPECT_EQ(version.style, kChild | SS_LEFT | WS_GROUP | SS_NOPREFIX);
  EXPECT_EQ(version.x, 42);
  EXPECT_EQ(version.y, 14);
  EXPECT_EQ(version.cx, 114);
  EXPECT_EQ(version.cy, 8);

  EXPECT_EQ(d.controls[2].style, kChild | SS_LEFT | WS_GROUP);
  EXPECT_EQ(d.controls[2].y, 26);

  const DialogControl &ok = d.controls[3];
  EXPECT_EQ(ok.className, L"BUTTON");
  EXPECT_EQ(ok.text, L"OK");
  EXPECT_EQ(ok.id, IDOK);
  EXPECT_EQ(ok.style, kChild | BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP);
  EXPECT_EQ(ok.x, 113);
  EXPECT_EQ(ok.y, 53);
  EXPECT_EQ(ok.cx, 50);
  EXPECT_EQ(ok.cy, 14);
}

TEST(RcScriptProgram, ReadsTheVersionFromTheGeneratedHeader) {
  const Script s = ParseProgram();
  ASSERT_TRUE(s.version.has_value());
  const auto &v = *s.version;
  EXPECT_EQ(std::vector<WORD>(v.fileVersion, v.fileVersion + 4), (std::vector<WORD>{1, 2, 0, 0}));
  EXPECT_EQ(std::vector<WORD>(v.productVersion, v.productVersion + 4), (std::vector<WORD>{1, 2, 0, 0}));
  EXPECT_EQ(v.fileFlagsMask, 0x3Fu);
  EXPECT_EQ(v.fileFlags, 0u);
  EXPECT_EQ(v.fileOS, 0x40004u);
  EXPECT_EQ(v.fileType, 1u);
  const std::map<std::wstring, std::wstring> strings{{L"FileDescription", L"Sample"}, {L"FileVersion", L"1.02"}};
  EXPECT_EQ(v.strings, strings);
  EXPECT_EQ(v.translations, (std::vector<WORD>{0x411, 1200}));
}

// Cut anywhere, the script is either read or refused with the line where
// reading stopped, which lies within what was given; what a cut script
// yields is never different from what the whole script gives.
TEST(RcScriptProgram, EveryTruncationIsReadConsistentlyOrRefusedAtALineItHas) {
  const std::string full = kProgramScript;
  const Script whole = ParseProgram();
  int refused = 0;
  for (size_t n = 0; n <= full.size(); n += 5) {
    const std::string cut = full.substr(0, n);
    const int lines = 1 + static_cast<int>(std::count(cut.begin(), cut.end(), '\n'));
    try {
      const Script s = ParseScript(cut, kIncludes);
      for (const auto &[id, file] : IconFiles(s)) EXPECT_EQ(file, whole.icons.at(id).at(kEnglish)) << "cut at " << n;
      for (const auto &[id, items] : s.menus)
        EXPECT_EQ(items.at(kEnglish).size(), whole.menus.at(id).at(kEnglish).size()) << "cut at " << n;
      for (const auto &[id, table] : s.accelerators)
        EXPECT_EQ(table.at(kEnglish).size(), whole.accelerators.at(id).at(kEnglish).size()) << "cut at " << n;
      for (const auto &[id, dialog] : s.dialogs)
        EXPECT_EQ(dialog.at(kEnglish).controls.size(), whole.dialogs.at(id).at(kEnglish).controls.size())
            << "cut at " << n;
    } catch (const ParseError &e) {
      ++refused;
      EXPECT_GE(e.line, 1) << "cut at " << n << ": " << e.what();
      EXPECT_LE(e.line, lines) << "cut at " << n << ": " << e.what();
    }
  }
  EXPECT_GT(refused, 0);
}

TEST(RcScriptPreprocessor, ConditionalsDefinesCommentsAndIncludes) {
  const std::map<std::string, std::string> includes{{"outer.h", "#include \"inner.h\"\n#define OUTER INNER | 1\n"},
                                                    {"inner.h", "#define INNER 10\n"}};
  const Script s = ParseScript(R"rc(
#include "outer.h"
#include <winres.h>
#define BASE 200
#define NEXT (BASE)   // a comment after the body
#define AGAIN NEXT
#ifdef BASE
1 ICON "ifdef.ico"
#else
2 ICON "else-after-taken.ico"
#endif
#ifndef BASE
3 ICON "ifndef-failed.ico"
#else
#  ifdef NOPE
4 ICON "nested-false.ico"
#  else
5 ICON "nested-else.ico"
#  endif
#endif
/* a comment
#define BASE 1
7 ICON "in-comment.ico"
*/ AGAIN ICON "again.ico"
OUTER ICON "outer.ico"
)rc",
                               includes);
  const std::map<int, std::string> icons{
      {1, "ifdef.ico"}, {5, "nested-else.ico"}, {200, "again.ico"}, {11, "outer.ico"}};
  EXPECT_EQ(IconFiles(s), icons);
}

TEST(RcScriptPreprocessor, IncludedFilesReportTheirOwnLines) {
  const std::map<std::string, std::string> includes{{"bad.h", "#define OK 1\n#undef OK\n"},
                                                    {"self.h", "#include \"self.h\"\n"}};
  try {
    ParseScript("\n\n#include \"bad.h\"\n", includes);
    FAIL() << "no error";
  } catch (const ParseError &e) {
    EXPECT_EQ(e.line, 2);
    EXPECT_NE(std::string(e.what()).find("bad.h"), std::string::npos) << e.what();
  }
  // A file that includes itself stops with an error rather than recursing forever.
  EXPECT_EQ(ErrorLine("#include \"self.h\"\n", includes), 1);
  // A header in quotes that was not handed in is an error; a system header is skipped.
  EXPECT_EQ(ErrorLine("\n#include \"missing.h\"\n"), 2);
  EXPECT_NE(ErrorText("#include \"missing.h\"\n").find("missing.h"), std::string::npos);
  EXPECT_EQ(ErrorLine("#include <missing.h>\n"), 0);
}

TEST(RcScriptPreprocessor, MacrosThatReferToThemselvesOrGrowTooLargeStop) {
  EXPECT_EQ(ErrorLine("#define A B\n#define B A\nA ICON \"x\"\n"), 3);  // the cycle stops at 'A', an unknown name
  std::string doubling = "#define M0 1\n";
  for (int i = 1; i <= 30; ++i)
    doubling += "#define M" + std::to_string(i) + " M" + std::to_string(i - 1) + "|M" + std::to_string(i - 1) + "\n";
  EXPECT_EQ(ErrorLine(doubling + "M30 ICON \"x\"\n"), 32);
}

TEST(RcScriptStrings, EscapesQuotesUnicodeAndJoining) {
  const Script s = ParseScript(R"rc(
1 MENU
BEGIN
    POPUP "Doubled ""quoted"""
    BEGIN
        MENUITEM "Tab\tNew\nLine \\ \"q\"", 1
        MENUITEM SEPARATOR
        MENUITEM "絵文字 😀" " joined", 2
    END
END
)rc",
                               {});
  const auto &menu = s.menus.at(1).at(kEnglish);
  EXPECT_EQ(menu[0].text, L"Doubled \"quoted\"");
  const std::vector<MenuItem> &items = menu[0].children;
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[0].text, L"Tab\tNew\nLine \\ \"q\"");
  EXPECT_EQ(items[1].flags, static_cast<UINT>(MF_SEPARATOR));
  EXPECT_EQ(items[1].text, L"");
  EXPECT_EQ(items[1].id, 0u);
  const std::wstring emoji = items[2].text;
  ASSERT_EQ(emoji.size(), 12u);  // each code point is one wchar_t
  EXPECT_EQ(emoji[0], static_cast<wchar_t>(0x7D75));
  EXPECT_EQ(static_cast<uint32_t>(emoji[4]), 0x1F600u);
  EXPECT_EQ(emoji.substr(5), L" joined");

  EXPECT_EQ(ErrorLine("1 MENU\nBEGIN\n MENUITEM \"a\\x41\", 1\nEND\n"), 3);
  EXPECT_EQ(ErrorLine("\n1 ICON \"unterminated\n"), 2);
  EXPECT_EQ(ErrorLine("1 ICON \"\xff\xfe\"\n"), 1);  // not UTF-8
  EXPECT_EQ(ErrorLine("\xff\xfe"
                      "1 ICON \"a\"\n"),
            1);  // UTF-16
}

TEST(RcScriptAccelerators, KeysTypesAndOptions) {
  const Script s = ParseScript(R"rc(
5 ACCELERATORS
BEGIN
    "a",    1
    0x70,   4, VIRTKEY, CONTROL
    63,     5, ASCII, ALT
    "n",    6, VIRTKEY, SHIFT, CONTROL
END
)rc",
                               {});
  const auto &t = s.accelerators.at(5).at(kEnglish);
  ASSERT_EQ(t.size(), 4u);
  auto is = [](const Accelerator &a, WORD key, BYTE flags, WORD cmd) {
    return a.key == key && a.fVirt == flags && a.cmd == cmd;
  };
  EXPECT_TRUE(is(t[0], 'a', 0, 1));
  EXPECT_TRUE(is(t[1], 0x70, FVIRTKEY | FCONTROL, 4));
  EXPECT_TRUE(is(t[2], 63, FALT, 5));
  EXPECT_TRUE(is(t[3], 'N', FVIRTKEY | FSHIFT | FCONTROL, 6));

  EXPECT_EQ(ErrorLine("1 ACCELERATORS\nBEGIN\n 65, 1\nEND\n"), 3);      // a number without a type
  EXPECT_EQ(ErrorLine("1 ACCELERATORS\nBEGIN\n \"ab\", 1\nEND\n"), 3);  // more than one character
  EXPECT_EQ(ErrorLine("1 ACCELERATORS\nBEGIN\n \"a\", 1, ASCII, VIRTKEY\nEND\n"), 3);
  EXPECT_EQ(ErrorLine("1 ACCELERATORS\nBEGIN\n \"a\", 1, NOINVERT\nEND\n"), 3);
}

TEST(RcScriptDialogs, ControlsGetTheirDefaultStylesAndADialogWithoutStyleIsAPopup) {
  const Script s = ParseScript(R"rc(
7 DIALOGEX 1, 2, 30, 40
CAPTION "Plain"
EXSTYLE WS_EX_TOOLWINDOW | WS_EX_TOPMOST
FONT 8, "MS Shell Dlg"
BEGIN
    RTEXT "r", 1, 0, 0, 1, 1
    CTEXT "c", 2, 0, 0, 1, 1
    PUSHBUTTON "p", 3, 5, 6, 7, 8, 0, WS_EX_STATICEDGE
    ICON 9, 10, 5, 6
END
)rc",
                               {});
  const auto &d = s.dialogs.at(7).at(kEnglish);
  // CAPTION and FONT add their bits to the default style.
  EXPECT_EQ(d.style, static_cast<DWORD>(WS_POPUP | WS_BORDER | WS_SYSMENU | WS_CAPTION | DS_SETFONT));
  EXPECT_EQ(d.exStyle, static_cast<DWORD>(WS_EX_TOOLWINDOW | WS_EX_TOPMOST));
  EXPECT_EQ(d.fontPointSize, 8);
  EXPECT_EQ(d.fontFace, L"MS Shell Dlg");
  ASSERT_EQ(d.controls.size(), 4u);
  const auto &c = d.controls;
  EXPECT_EQ(c[0].style, kChild | SS_RIGHT | WS_GROUP);
  EXPECT_EQ(c[1].style, kChild | SS_CENTER | WS_GROUP);
  EXPECT_EQ(c[2].className, L"BUTTON");
  EXPECT_EQ(c[2].style, kChild | BS_PUSHBUTTON | WS_TABSTOP);
  EXPECT_EQ(c[2].exStyle, static_cast<DWORD>(WS_EX_STATICEDGE));
  EXPECT_EQ(c[2].x, 5);
  EXPECT_EQ(c[2].cy, 8);
  EXPECT_EQ(c[3].iconId, 9);
  EXPECT_EQ(c[3].id, 10);
  EXPECT_EQ(c[3].x, 5);
  EXPECT_EQ(c[3].y, 6);
  EXPECT_EQ(c[3].cx, 0);  // the icon's own size
  EXPECT_EQ(c[3].style, kChild | SS_ICON);
}

TEST(RcScriptErrors, WhatTheReaderDoesNotTakeIsRefusedAtItsLine) {
  // Preprocessor lines the program's script does not use.
  EXPECT_EQ(ErrorLine("\n#if 1\n#endif\n"), 2);
  EXPECT_EQ(ErrorLine("\n#define A 1\n#undef A\n"), 3);
  EXPECT_EQ(ErrorLine("#define F(x) x\n"), 1);
  EXPECT_EQ(ErrorLine("\n\n#pragma code_page(932)\n"), 3);
  EXPECT_EQ(ErrorLine("#pragma once\n"), 1);
  EXPECT_EQ(ErrorLine("#define LONG 1 | \\\n 2\n"), 1);
  // Statements, types and options it does not read.
  EXPECT_EQ(ErrorLine("\nSTRINGTABLE\nBEGIN\n 1 \"a\"\nEND\n"), 2);
  EXPECT_EQ(ErrorLine("1 ICON \"a.ico\"\n2 DIALOG 0, 0, 1, 1\nBEGIN\nEND\n"), 2);
  EXPECT_EQ(ErrorLine("1 RCDATA \"a.bin\"\n"), 1);
  EXPECT_EQ(ErrorLine("CHARACTERISTICS 1\n"), 1);
  EXPECT_EQ(ErrorLine("NAMED ICON \"a.ico\"\n"), 1);
  EXPECT_EQ(ErrorLine("1 MENU\nBEGIN\n  MENUITEM \"x\", 5, CHECKED\nEND\n"), 3);
  EXPECT_EQ(ErrorLine("1 DIALOGEX 0,0,1,1\nSTYLE WS_POPUP | NOT WS_VISIBLE\nBEGIN\nEND\n"), 2);
  EXPECT_EQ(ErrorLine("1 DIALOGEX 0,0,1,1\nBEGIN\n  EDITTEXT 1, 0,0,1,1\nEND\n"), 3);
  EXPECT_EQ(ErrorLine("1 VERSIONINFO\nFILEVERSION 1,0,0,0\nLANGUAGE 1\nBEGIN\nEND\n"), 3);
  EXPECT_EQ(ErrorLine("1 VERSIONINFO\nBEGIN\nEND\n2 VERSIONINFO\nBEGIN\nEND\n"), 4);
  // Malformed input.
  EXPECT_EQ(ErrorLine("1 MENU\nBEGIN\n  MENUITEM \"x\" 5\nEND\n"), 3);  // missing comma
  EXPECT_EQ(ErrorLine("1 MENU\nBEGIN\n  POPUP \"x\"\n  BEGIN\n"), 4);   // no END (at end of file)
  EXPECT_EQ(ErrorLine("1 DIALOGEX 0, 0, 10\nBEGIN\nEND\n"), 2);         // too few numbers
  EXPECT_EQ(ErrorLine("1 DIALOGEX 0,0,1,1\nBEGIN\n  LTEXT \"a\", UNKNOWN_ID, 0,0,1,1\nEND\n"), 3);
  EXPECT_EQ(ErrorLine("#ifdef A\n1 ICON \"a.ico\"\n"), 1);  // without #endif
  EXPECT_EQ(ErrorLine("\n#endif\n"), 2);
  EXPECT_EQ(ErrorLine("#ifdef A\n#else\n#else\n#endif\n"), 3);
  EXPECT_EQ(ErrorLine("\n/* open\n\n"), 2);
  EXPECT_EQ(ErrorLine("\n1 ICON @\n"), 2);
  EXPECT_EQ(ErrorLine("12abc ICON \"a.ico\"\n"), 1);
  EXPECT_EQ(ErrorLine("1 VERSIONINFO\nFILEVERSION 1,0,0,0\n"), 2);
  EXPECT_EQ(ErrorLine("1 DIALOGEX 0,0,1," + std::string(200, '(') + "1\n"), 1);
}

TEST(RcScriptErrors, MessageNamesTheLineAndWhatWasFound) {
  const std::string what = ErrorText("\n\n1 MENU\nBEGIN\n  BOGUS\nEND\n");
  EXPECT_EQ(what.rfind("line 5: ", 0), 0u) << what;
  EXPECT_NE(what.find("BOGUS"), std::string::npos) << what;
  const std::string type = ErrorText("1 RCDATA \"a.bin\"\n");
  EXPECT_NE(type.find("RCDATA"), std::string::npos) << type;
}

}  // namespace

namespace {

TEST(RcScriptLanguages, ALanguageStatementMarksTheResourcesAfterItAndAHeaderOneItsOwn) {
  const Script s = ParseScript(R"rc(
1 ICON "before.ico"
LANGUAGE LANG_JAPANESE, SUBLANG_DEFAULT
1 MENU
BEGIN
    MENUITEM "ja", 1
END
1 MENU LANGUAGE LANG_ENGLISH, SUBLANG_ENGLISH_US
BEGIN
    MENUITEM "en", 1
END
2 ACCELERATORS LANGUAGE 0x07, 0x01
BEGIN
    "d", 1
END
2 ACCELERATORS
BEGIN
    "j", 1
END
3 DIALOGEX 0, 0, 10, 10
CAPTION "de"
LANGUAGE LANG_GERMAN, SUBLANG_GERMAN
BEGIN
END
LANGUAGE LANG_NEUTRAL, SUBLANG_NEUTRAL
2 ICON "neutral.ico"
)rc",
                               {});
  const WORD ja = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT), de = MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN);
  EXPECT_EQ(s.icons.at(1).at(kEnglish), "before.ico");  // before any LANGUAGE: US English
  EXPECT_EQ(s.icons.at(2).at(0), "neutral.ico");
  ASSERT_EQ(s.menus.at(1).size(), 2u);
  EXPECT_EQ(s.menus.at(1).at(ja)[0].text, L"ja");
  EXPECT_EQ(s.menus.at(1).at(kEnglish)[0].text, L"en");
  // A header's language is the resource's own; the next one is in the
  // language of the last LANGUAGE between resources again.
  EXPECT_EQ(s.accelerators.at(2).at(de)[0].key, 'd');
  EXPECT_EQ(s.accelerators.at(2).at(ja)[0].key, 'j');
  EXPECT_EQ(s.dialogs.at(3).at(de).caption, L"de");
  EXPECT_EQ(s.dialogs.at(3).size(), 1u);
}

TEST(RcScriptLanguages, ASecondResourceInTheSameLanguageOrABadLanguageIsRefusedAtItsLine) {
  const std::string menu = " MENU\nBEGIN\n MENUITEM \"a\", 1\nEND\n";
  EXPECT_EQ(ErrorLine("1" + menu + "1" + menu), 5);  // both US English
  EXPECT_EQ(ErrorLine("LANGUAGE 0x11, 1\n1" + menu + "1 MENU LANGUAGE 0x11, 1\nBEGIN\nEND\n"), 6);
  EXPECT_EQ(ErrorLine("1 ICON \"a.ico\"\n\n1 ICON \"b.ico\"\n"), 3);
  EXPECT_NE(ErrorText("1" + menu + "1" + menu).find("a second MENU 1 in language 0x0409"), std::string::npos)
      << ErrorText("1" + menu + "1" + menu);
  EXPECT_EQ(ErrorLine("\nLANGUAGE 0x400, 1\n"), 2);  // primary language beyond 10 bits
  EXPECT_EQ(ErrorLine("LANGUAGE 9, 0x40\n"), 1);     // sublanguage beyond 6 bits
  EXPECT_EQ(ErrorLine("LANGUAGE 9\n1 ICON \"a.ico\"\n"), 2);
  EXPECT_EQ(ErrorLine("LANGUAGE LANG_KLINGON, 1\n"), 1);
  // The same id in two languages, or as two types, is no duplicate.
  EXPECT_EQ(ErrorText("1" + menu + "1 MENU LANGUAGE 0x11, 1\nBEGIN\nEND\n1 ICON \"a.ico\"\n"), "");
}

}  // namespace
