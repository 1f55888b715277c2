// Reader for the resource script of a module, as far as the program's own
// script goes:
//   - preprocessing: #include of the headers handed in (an <...> header
//     that is not handed in, such as <windows.h>, is skipped), #define of
//     object-like macros, #ifdef, #ifndef, #else and #endif (include
//     guards), #pragma code_page(65001), // and /* */ comments;
//   - statements: MENU (POPUP, MENUITEM, MENUITEM SEPARATOR), ACCELERATORS
//     (a character or a key code, ASCII, VIRTKEY, ALT, SHIFT, CONTROL),
//     DIALOGEX (STYLE, EXSTYLE, CAPTION, FONT; LTEXT, CTEXT, RTEXT,
//     PUSHBUTTON, DEFPUSHBUTTON, ICON controls), ICON and VERSIONINFO;
//   - languages: a LANGUAGE statement between resources sets the language
//     of the resources after it; one inside a MENU, ACCELERATORS or
//     DIALOGEX header (before its BEGIN) sets that resource's own. Before
//     any, resources are US English, as the resource compilers mark them.
//     A second resource of a type with the same id and language is an error;
//   - numbers: decimal or hexadecimal, defined names and the platform's
//     style and id constants, joined with | ; a leading minus; parentheses;
//   - strings: UTF-8, with "" \" \\ \n \t; adjacent strings are joined,
//     so a macro holding a string can complete a text.
// Anything else is a ParseError naming the line where it stands.
#ifndef WINSIM_RC_SCRIPT_H
#define WINSIM_RC_SCRIPT_H

#include <windows.h>

#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace winsim::rc {

struct MenuItem {
  std::wstring text;               // as written, "&" markers kept; empty for a separator
  UINT id = 0;                     // command id; 0 for popups and separators
  UINT flags = MF_STRING;          // MF_POPUP for a popup, MF_SEPARATOR for a separator
  std::vector<MenuItem> children;  // the items of a popup
};

struct Accelerator {
  BYTE fVirt = 0;  // FVIRTKEY, FSHIFT, FCONTROL, FALT as written
  WORD key = 0;    // a character code, or a virtual key with FVIRTKEY
  WORD cmd = 0;
};

struct DialogControl {
  std::wstring className;  // "STATIC" or "BUTTON"
  std::wstring text;       // the control's text; for an ICON control, empty
  int iconId = 0;          // for an ICON control: the icon resource it names
  int id = 0;
  DWORD style = 0;  // WS_CHILD | WS_VISIBLE | the statement's own style | the style given
  DWORD exStyle = 0;
  int x = 0, y = 0, cx = 0, cy = 0;  // dialog units
};

struct Dialog {
  int x = 0, y = 0, cx = 0, cy = 0;  // dialog units
  DWORD style = 0;
  DWORD exStyle = 0;
  std::wstring caption;
  std::wstring fontFace;
  int fontPointSize = 0;
  std::vector<DialogControl> controls;
};

struct VersionInfo {
  WORD fileVersion[4] = {};
  WORD productVersion[4] = {};
  DWORD fileFlagsMask = 0, fileFlags = 0, fileOS = 0, fileType = 0, fileSubtype = 0;
  // The VALUE strings of its blocks, by key ("FileVersion", ...).
  std::map<std::wstring, std::wstring> strings;
  // The language and code page pairs of VarFileInfo's "Translation".
  std::vector<WORD> translations;
};

// The language of resources written before any LANGUAGE statement.
constexpr WORD kDefaultResourceLanguage = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

// A resource in each language it is written in, by language id: a
// module's resource directory keys each resource by type, id and language.
template <typename T>
using ByLanguage = std::map<WORD, T>;

struct Script {
  std::map<int, ByLanguage<std::vector<MenuItem>>> menus;
  std::map<int, ByLanguage<std::vector<Accelerator>>> accelerators;
  std::map<int, ByLanguage<Dialog>> dialogs;
  std::map<int, ByLanguage<std::string>> icons;  // the file name as written
  std::optional<VersionInfo> version;
};

// line is the line in the file where reading stopped; what() starts with
// "line N: ", and, for a line of an included file, names that file.
struct ParseError : std::runtime_error {
  ParseError(int line, const std::string &what);
  int line;
};

// Reads a script written in UTF-8. includes maps an #include's file name to
// that file's text.
Script ParseScript(const std::string &text, const std::map<std::string, std::string> &includes);

}  // namespace winsim::rc

#endif
