// Reader for the subset of resource scripts the program uses: #define,
// #include of the files handed in, #pragma code_page, and the MENU,
// ACCELERATORS, DIALOGEX and ICON statements.
#ifndef WINSIM_RC_SCRIPT_H
#define WINSIM_RC_SCRIPT_H

#include <windows.h>

#include <map>
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
  std::wstring className;  // "STATIC", "BUTTON", "EDIT", ... (upper case)
  std::wstring text;       // the control's text; for an ICON control, empty
  int iconId = 0;          // for an ICON control: the icon resource it names
  int id = 0;
  DWORD style = 0;         // WS_CHILD | WS_VISIBLE | the statement's own style | the style given
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

struct Script {
  std::map<int, std::vector<MenuItem>> menus;
  std::map<int, std::vector<Accelerator>> accelerators;
  std::map<int, Dialog> dialogs;
  std::map<int, std::string> icons;  // id -> file name as written
};

struct ParseError : std::runtime_error {
  ParseError(int line, const std::string &what);
  int line;
};

// Reads a script written in UTF-8. includes maps an #include's file name to
// that file's text; an #include of a name not in the map is skipped (system
// headers such as <windows.h>). Numeric expressions may combine numbers,
// defined names and the platform's style constants with | and parentheses.
Script ParseScript(const std::string &text, const std::map<std::string, std::string> &includes);

}  // namespace winsim::rc

#endif
