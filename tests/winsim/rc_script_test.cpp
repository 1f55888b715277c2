#include "rc_script.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

using winsim::rc::Accelerator;
using winsim::rc::DialogControl;
using winsim::rc::ParseError;
using winsim::rc::ParseScript;
using winsim::rc::Script;

const char kResourceHeader[] = R"rc(//{{NO_DEPENDENCIES}}
// Resource ids shared by the program and its resource script.
#define IDC_MYICON                      2
#define IDD_ABOUTBOX                    103
#define IDM_ABOUT                       104
#define IDM_EXIT                        105
#define IDI_APP                         107
#define IDI_SMALL                       108
#define IDC_APP                         109
#define IDR_MAINFRAME                   128
#ifndef IDC_STATIC
#define IDC_STATIC                      -1
#endif

#ifdef APSTUDIO_INVOKED
#ifndef APSTUDIO_READONLY_SYMBOLS
#define _APS_NO_MFC                     130
#define _APS_NEXT_RESOURCE_VALUE        129
#endif
#endif
)rc";

const char kProgramScript[] = R"rc(// Resource script of the program.
#include "resource.h"

#define APSTUDIO_READONLY_SYMBOLS
#include "winres.h"
#undef APSTUDIO_READONLY_SYMBOLS

#if !defined(AFX_RESOURCE_DLL) || defined(AFX_TARG_JPN)
LANGUAGE LANG_JAPANESE, SUBLANG_DEFAULT
#pragma code_page(65001)

/* Icons */
IDI_APP       ICON         "app.ico"
IDI_SMALL     ICON         "small.ico"

IDC_APP MENU
BEGIN
    POPUP "ファイル(&F)"
    BEGIN
        MENUITEM "アプリケーションの終了(&X)",   IDM_EXIT
    END
    POPUP "ヘルプ(&H)"
    BEGIN
        MENUITEM "バージョン情報(&A)...",        IDM_ABOUT
    END
END

IDC_APP ACCELERATORS
BEGIN
    "?",            IDM_ABOUT,              ASCII,  ALT
    "/",            IDM_ABOUT,              ASCII,  ALT
END

IDD_ABOUTBOX DIALOGEX 0, 0, 170, 74
STYLE DS_SETFONT | DS_MODALFRAME | DS_FIXEDSYS | WS_POPUP | WS_CAPTION | WS_SYSMENU
CAPTION "バージョン情報 Sample"
FONT 9, "MS UI Gothic", 0, 0, 0x1
BEGIN
    ICON            128,IDC_STATIC,14,14,21,20
    LTEXT           "Sample, Version 1.02",IDC_STATIC,42,14,114,8,SS_NOPREFIX
    LTEXT           "Copyright (c) 2024",IDC_STATIC,42,26,114,8
    DEFPUSHBUTTON   "OK",IDOK,113,53,50,14,WS_GROUP
END

#ifdef APSTUDIO_INVOKED
GUIDELINES DESIGNINFO
BEGIN
    IDD_ABOUTBOX, DIALOG
    BEGIN
        LEFTMARGIN, 7
    END
END

1 TEXTINCLUDE
BEGIN
    "resource.h\0"
END
#endif    // APSTUDIO_INVOKED

1 VERSIONINFO
 FILEVERSION 1,0,2,0
 PRODUCTVERSION 1,0,2,0
 FILEFLAGSMASK 0x3fL
#ifdef _DEBUG
 FILEFLAGS 0x1L
#else
 FILEFLAGS 0x0L
#endif
 FILEOS VOS_NT_WINDOWS32
 FILETYPE VFT_APP
BEGIN
    BLOCK "StringFileInfo"
    BEGIN
        BLOCK "041104b0"
        BEGIN
            VALUE "FileDescription", "Sample"
            VALUE "FileVersion", "1.0.2.0"
        END
    END
    BLOCK "VarFileInfo"
    BEGIN
        VALUE "Translation", 0x411, 1200
    END
END

STRINGTABLE
BEGIN
   IDS_APP_TITLE       "Sample"
   IDC_APP             "SAMPLE"
END

1 RT_MANIFEST "app.manifest"
2 24 "other.manifest"
IDR_MAINFRAME BITMAP "toolbar.bmp"
IDR_UNDEFINED ICON "named.ico"

#endif
)rc";

Script ParseProgram() { return ParseScript(kProgramScript, {{"resource.h", kResourceHeader}}); }

// Parses text expecting a ParseError; returns its line (0 if none was thrown).
int ErrorLine(const std::string &text, const std::map<std::string, std::string> &includes = {}) {
  try {
    ParseScript(text, includes);
  } catch (const ParseError &e) {
    return e.line;
  }
  return 0;
}

const DWORD kChild = WS_CHILD | WS_VISIBLE;

TEST(RcScriptProgram, ReadsTheMenu) {
  const Script s = ParseProgram();
  ASSERT_EQ(s.menus.size(), 1u);
  const auto &menu = s.menus.at(109);
  ASSERT_EQ(menu.size(), 2u);
  EXPECT_EQ(menu[0].text, L"ファイル(&F)");
  EXPECT_EQ(menu[0].flags, static_cast<UINT>(MF_POPUP));
  EXPECT_EQ(menu[0].id, 0u);
  ASSERT_EQ(menu[0].children.size(), 1u);
  EXPECT_EQ(menu[0].children[0].text, L"アプリケーションの終了(&X)");
  EXPECT_EQ(menu[0].children[0].id, 105u);
  EXPECT_EQ(menu[0].children[0].flags, static_cast<UINT>(MF_STRING));
  EXPECT_EQ(menu[1].text, L"ヘルプ(&H)");
  ASSERT_EQ(menu[1].children.size(), 1u);
  EXPECT_EQ(menu[1].children[0].text, L"バージョン情報(&A)...");
  EXPECT_EQ(menu[1].children[0].id, 104u);
}

TEST(RcScriptProgram, ReadsAcceleratorsAndIcons) {
  const Script s = ParseProgram();
  ASSERT_EQ(s.accelerators.size(), 1u);
  const auto &table = s.accelerators.at(109);
  ASSERT_EQ(table.size(), 2u);
  EXPECT_EQ(table[0].key, '?');
  EXPECT_EQ(table[0].fVirt, FALT);
  EXPECT_EQ(table[0].cmd, 104);
  EXPECT_EQ(table[1].key, '/');
  EXPECT_EQ(table[1].fVirt, FALT);
  EXPECT_EQ(table[1].cmd, 104);

  // The named icon and the bitmap, manifests, version and string table are read past.
  const std::map<int, std::string> icons{{107, "app.ico"}, {108, "small.ico"}};
  EXPECT_EQ(s.icons, icons);
  EXPECT_EQ(s.dialogs.size(), 1u);
}

TEST(RcScriptProgram, ReadsTheAboutDialog) {
  const Script s = ParseProgram();
  const auto &d = s.dialogs.at(103);
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
  EXPECT_EQ(icon.iconId, 128);
  EXPECT_EQ(icon.id, -1);
  EXPECT_EQ(icon.style, kChild | SS_ICON);
  EXPECT_EQ(icon.x, 14);
  EXPECT_EQ(icon.y, 14);
  EXPECT_EQ(icon.cx, 21);
  EXPECT_EQ(icon.cy, 20);

  const DialogControl &version = d.controls[1];
  EXPECT_EQ(version.className, L"STATIC");
  EXPECT_EQ(version.text, L"Sample, Version 1.02");
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

TEST(RcScriptProgram, EveryTruncationParsesOrReportsAnError) {
  // Cut the script anywhere: the reader either reads it or throws ParseError.
  const std::string full = kProgramScript;
  for (size_t n = 0; n < full.size(); n += 7) {
    try {
      ParseScript(full.substr(0, n), {{"resource.h", kResourceHeader}});
    } catch (const ParseError &) {
    }
  }
}

TEST(RcScriptPreprocessor, ConditionalsDefinesAndComments) {
  const Script s = ParseScript(R"rc(
#define BASE 200
#define NEXT (BASE + 1)   // an expression
#define TWICE NEXT | NEXT
#define GONE 1
#undef GONE
#ifdef GONE
1 ICON "undef-failed.ico"
#elif BASE > 100 && !defined(NOPE)
2 ICON "elif.ico"
#else
3 ICON "else.ico"
#endif
#ifndef BASE
4 ICON "ifndef-failed.ico"
#else
#  if 0
5 ICON "nested-false.ico"
#  else
6 ICON "nested-else.ico"
#  endif
#endif
/* a comment
#define BASE 1
7 ICON "in-comment.ico"
*/ NEXT ICON "next.ico"
TWICE ICON "twice.ico"
#define LONG_ID 300 + \
                  5
LONG_ID ICON "continued.ico"
#include <windows.h>
#include "missing.h"
)rc",
                               {});
  const std::map<int, std::string> icons{
      {2, "elif.ico"}, {6, "nested-else.ico"}, {201, "next.ico"}, {305, "continued.ico"}};
  // TWICE expands to 201 | 201 = 201, which is already taken by the first
  // definition, so "twice.ico" is not kept.
  EXPECT_EQ(s.icons, icons);
}

TEST(RcScriptPreprocessor, IncludedFilesNestAndReportTheirOwnLines) {
  const std::map<std::string, std::string> includes{{"outer.h", "#include \"inner.h\"\n#define OUTER INNER + 1\n"},
                                                    {"inner.h", "#define INNER 10\n"},
                                                    {"bad.h", "#define OK 1\n#if\n"}};
  const Script s = ParseScript("#include \"outer.h\"\nOUTER ICON \"o.ico\"\n", includes);
  EXPECT_EQ(s.icons.at(11), "o.ico");

  try {
    ParseScript("\n\n#include \"bad.h\"\n", includes);
    FAIL() << "no error";
  } catch (const ParseError &e) {
    EXPECT_EQ(e.line, 2);
    EXPECT_NE(std::string(e.what()).find("bad.h"), std::string::npos) << e.what();
  }

  // A file that includes itself stops with an error rather than recursing forever.
  EXPECT_GT(ErrorLine("#include \"self.h\"\n", {{"self.h", "#include \"self.h\"\n"}}), 0);
}

TEST(RcScriptExpressions, NumbersNamesAndNot) {
  const Script s = ParseScript(R"rc(
0x10 ICON "hex.ico"
17L ICON "long.ico"
(20 - 2) ICON "paren.ico"
IDCANCEL + 100 ICON "name.ico"
1 DIALOGEX 0, 0, -5 + 15, 2 * (3 + 4)
STYLE WS_POPUP | WS_CAPTION | NOT WS_CAPTION | WS_BORDER
EXSTYLE WS_EX_TOOLWINDOW | WS_EX_TOPMOST
BEGIN
    LTEXT "x", 10, 0, 0, 1, 1, NOT WS_GROUP | SS_NOPREFIX
    PUSHBUTTON "y", 0x0B, 0, 0, 1, 1, NOT WS_VISIBLE | NOT WS_TABSTOP, WS_EX_CLIENTEDGE
END
)rc",
                               {});
  EXPECT_EQ(s.icons.at(16), "hex.ico");
  EXPECT_EQ(s.icons.at(17), "long.ico");
  EXPECT_EQ(s.icons.at(18), "paren.ico");
  EXPECT_EQ(s.icons.at(102), "name.ico");
  const auto &d = s.dialogs.at(1);
  EXPECT_EQ(d.cx, 10);
  EXPECT_EQ(d.cy, 14);
  EXPECT_EQ(d.style, static_cast<DWORD>(WS_POPUP | WS_BORDER));
  EXPECT_EQ(d.exStyle, static_cast<DWORD>(WS_EX_TOOLWINDOW | WS_EX_TOPMOST));
  EXPECT_EQ(d.controls[0].style, kChild | SS_LEFT | SS_NOPREFIX);
  EXPECT_EQ(d.controls[1].id, 11);
  EXPECT_EQ(d.controls[1].style, static_cast<DWORD>(WS_CHILD | BS_PUSHBUTTON));
  EXPECT_EQ(d.controls[1].exStyle, static_cast<DWORD>(WS_EX_CLIENTEDGE));
}

TEST(RcScriptStrings, EscapesQuotesAndUnicode) {
  const Script s = ParseScript(R"rc(
1 MENU
{
    POPUP L"Wide ""quoted"""
    {
        MENUITEM "Tab\tNew\nLine \\ \"q\" \x41!", 1
        MENUITEM SEPARATOR
        MENUITEM "絵文字 😀", 2, CHECKED, GRAYED
    }
}
)rc",
                               {});
  const auto &menu = s.menus.at(1);
  EXPECT_EQ(menu[0].text, L"Wide \"quoted\"");
  const auto &items = menu[0].children;
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[0].text, L"Tab\tNew\nLine \\ \"q\" A!");
  EXPECT_EQ(items[1].flags, static_cast<UINT>(MF_SEPARATOR));
  EXPECT_EQ(items[1].text, L"");
  const std::wstring emoji = items[2].text;
  ASSERT_EQ(emoji.size(), 5u);  // each code point is one wchar_t
  EXPECT_EQ(emoji[0], static_cast<wchar_t>(0x7D75));
  EXPECT_EQ(static_cast<uint32_t>(emoji[4]), 0x1F600u);
  EXPECT_EQ(items[2].id, 2u);
  EXPECT_NE(items[2].flags & 0x8u, 0u);  // CHECKED
  EXPECT_NE(items[2].flags & 0x1u, 0u);  // GRAYED
}

TEST(RcScriptAccelerators, KeysTypesAndOptions) {
  const Script s = ParseScript(R"rc(
5 ACCELERATORS
BEGIN
    "a",    1
    "^A",   2
    "^z",   3
    VK_F1,  4, VIRTKEY, CONTROL
    63,     5, ASCII, ALT
    "n",    6, VIRTKEY, SHIFT, CONTROL, NOINVERT
    0x2E,   7, VIRTKEY ALT
END
)rc",
                               {});
  const auto &t = s.accelerators.at(5);
  ASSERT_EQ(t.size(), 7u);
  auto is = [](const Accelerator &a, WORD key, BYTE flags, WORD cmd) {
    return a.key == key && a.fVirt == flags && a.cmd == cmd;
  };
  EXPECT_TRUE(is(t[0], 'a', 0, 1));
  EXPECT_TRUE(is(t[1], 1, 0, 2));
  EXPECT_TRUE(is(t[2], 26, 0, 3));
  EXPECT_TRUE(is(t[3], VK_F1, FVIRTKEY | FCONTROL, 4));
  EXPECT_TRUE(is(t[4], 63, FALT, 5));
  EXPECT_TRUE(is(t[5], 'N', FVIRTKEY | FSHIFT | FCONTROL | FNOINVERT, 6));
  EXPECT_TRUE(is(t[6], 0x2E, FVIRTKEY | FALT, 7));

  EXPECT_EQ(ErrorLine("1 ACCELERATORS\nBEGIN\n 65, 1\nEND\n"), 3);           // number without a type
  EXPECT_EQ(ErrorLine("1 ACCELERATORS\nBEGIN\n \"ab\", 1\nEND\n"), 3);        // more than one character
  EXPECT_EQ(ErrorLine("1 ACCELERATORS\nBEGIN\n \"a\", 1, ASCII, VIRTKEY\nEND\n"), 3);
  EXPECT_EQ(ErrorLine("1 ACCELERATORS\nBEGIN\n \"a\", 1, BOGUS\nEND\n"), 3);
}

TEST(RcScriptDialogs, ControlStatementsGetTheirDefaultStyles) {
  const Script s = ParseScript(R"rc(
7 DIALOG 1, 2, 30, 40
CAPTION "Plain"
FONT 8, "MS Shell Dlg"
BEGIN
    RTEXT "r", 1, 0, 0, 1, 1
    CTEXT "c", 2, 0, 0, 1, 1
    PUSHBUTTON "p", 3, 0, 0, 1, 1
    EDITTEXT 4, 5, 6, 7, 8, ES_AUTOHSCROLL
    GROUPBOX "g", 5, 0, 0, 1, 1
    AUTOCHECKBOX "a", 6, 0, 0, 1, 1
    CONTROL "link", 7, "SysLink", WS_TABSTOP, 1, 2, 3, 4
    CONTROL "b", 8, button, BS_AUTORADIOBUTTON, 1, 2, 3, 4, WS_EX_STATICEDGE
    CONTROL "", 9, "Edit", ES_MULTILINE | NOT WS_VISIBLE, 1, 2, 3, 4
    ICON IDR_NAMED, 10, 5, 6
END
)rc",
                               {});
  const auto &d = s.dialogs.at(7);
  // No STYLE: a bordered pop-up with a system menu; CAPTION and FONT add their bits.
  EXPECT_EQ(d.style, static_cast<DWORD>(WS_POPUP | WS_BORDER | WS_SYSMENU | WS_CAPTION | DS_SETFONT));
  EXPECT_EQ(d.fontPointSize, 8);
  ASSERT_EQ(d.controls.size(), 10u);
  const auto &c = d.controls;
  EXPECT_EQ(c[0].style, kChild | 0x2u | WS_GROUP);  // SS_RIGHT
  EXPECT_EQ(c[1].style, kChild | 0x1u | WS_GROUP);  // SS_CENTER
  EXPECT_EQ(c[2].className, L"BUTTON");
  EXPECT_EQ(c[2].style, kChild | BS_PUSHBUTTON | WS_TABSTOP);
  EXPECT_EQ(c[3].className, L"EDIT");
  EXPECT_EQ(c[3].text, L"");
  EXPECT_EQ(c[3].id, 4);
  EXPECT_EQ(c[3].x, 5);
  EXPECT_EQ(c[3].cy, 8);
  EXPECT_EQ(c[3].style, kChild | ES_LEFT | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL);
  EXPECT_EQ(c[4].style, kChild | 0x7u);  // BS_GROUPBOX
  EXPECT_EQ(c[5].style, kChild | 0x3u | WS_TABSTOP);  // BS_AUTOCHECKBOX
  EXPECT_EQ(c[6].className, L"SysLink");
  EXPECT_EQ(c[6].style, kChild | WS_TABSTOP);
  EXPECT_EQ(c[6].cx, 3);
  EXPECT_EQ(c[7].className, L"BUTTON");
  EXPECT_EQ(c[7].style, kChild | 0x9u);  // BS_AUTORADIOBUTTON
  EXPECT_EQ(c[7].exStyle, static_cast<DWORD>(0x20000));  // WS_EX_STATICEDGE
  EXPECT_EQ(c[8].className, L"EDIT");
  EXPECT_EQ(c[8].style, static_cast<DWORD>(WS_CHILD | ES_MULTILINE));
  EXPECT_EQ(c[9].iconId, 0);  // a named icon: no number to give
  EXPECT_EQ(c[9].cx, 0);
  EXPECT_EQ(c[9].style, kChild | SS_ICON);
}

TEST(RcScriptErrors, ReportTheLineOfMalformedInput) {
  EXPECT_EQ(ErrorLine("1 MENU\nBEGIN\n  MENUITEM \"x\" 5\nEND\n"), 3);  // missing comma
  EXPECT_EQ(ErrorLine("1 MENU\nBEGIN\n  POPUP \"x\"\n  BEGIN\n"), 4);   // no END (at end of file)
  EXPECT_EQ(ErrorLine("\n1 ICON \"unterminated\n"), 2);
  EXPECT_EQ(ErrorLine("1 DIALOGEX 0, 0, 10\nBEGIN\nEND\n"), 2);          // too few numbers
  EXPECT_EQ(ErrorLine("1 DIALOGEX 0,0,1,1\nBEGIN\n  LTEXT \"a\", UNKNOWN_ID, 0,0,1,1\nEND\n"), 3);
  EXPECT_EQ(ErrorLine("1 DIALOGEX 0,0,1,1\nBEGIN\n  SLIDER \"a\", 1, 0,0,1,1\nEND\n"), 3);
  EXPECT_EQ(ErrorLine("1 DIALOGEX 0,0,1,1\nBEGIN\n  CONTROL \"a\", 1, NOCLASS, 0, 0,0,1,1\nEND\n"), 3);
  EXPECT_EQ(ErrorLine("#if 1\n1 ICON \"a.ico\"\n"), 1);                    // #if without #endif
  EXPECT_EQ(ErrorLine("\n#endif\n"), 2);
  EXPECT_EQ(ErrorLine("#if 1\n#else\n#else\n#endif\n"), 3);
  EXPECT_EQ(ErrorLine("\n\n#error stop here\n"), 3);
  EXPECT_EQ(ErrorLine("1 ICON \"\xff\xfe\"\n"), 1);                          // not UTF-8
  EXPECT_EQ(ErrorLine("\n1 ICON @\n"), 2);
  EXPECT_EQ(ErrorLine("1 DIALOG 0,0,1,1 / 0\nBEGIN\nEND\n"), 1);
  EXPECT_EQ(ErrorLine("12abc ICON \"a.ico\"\n"), 1);
  EXPECT_EQ(ErrorLine("1 DIALOG 0,0,1,((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((("
                      "(((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((("
                      "((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((1\n"),
            1);
  EXPECT_EQ(ErrorLine("#define A B\n#define B A\nA ICON \"x\"\n"), 0);  // a macro cycle stops expanding
  std::string doubling = "#define M0 1\n";
  for (int i = 1; i <= 30; ++i)
    doubling += "#define M" + std::to_string(i) + " M" + std::to_string(i - 1) + "|M" + std::to_string(i - 1) + "\n";
  EXPECT_EQ(ErrorLine(doubling + "M30 ICON \"x\"\n"), 32);  // an expansion too large to make
  EXPECT_EQ(ErrorLine("1 VERSIONINFO\nFILEVERSION 1,0,0,0\n"), 2);
}

TEST(RcScriptErrors, MessageNamesTheLine) {
  try {
    ParseScript("\n\n1 MENU\nBEGIN\n  BOGUS\nEND\n", {});
    FAIL() << "no error";
  } catch (const ParseError &e) {
    EXPECT_EQ(e.line, 5);
    EXPECT_NE(std::string(e.what()).find("line 5"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("BOGUS"), std::string::npos) << e.what();
  }
}

}  // namespace
