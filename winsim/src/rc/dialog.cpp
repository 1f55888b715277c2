// DIALOGEX: its STYLE, EXSTYLE, CAPTION, FONT and LANGUAGE, then its controls.
#include "rc/parser.h"

#include <vector>

namespace winsim::rc {

namespace {

struct ControlKind {
  const char *keyword;
  const wchar_t *className;
  DWORD style;  // besides WS_CHILD | WS_VISIBLE
};

const ControlKind kControlKinds[] = {
    {"LTEXT", L"STATIC", static_cast<DWORD>(SS_LEFT | WS_GROUP)},
    {"CTEXT", L"STATIC", static_cast<DWORD>(SS_CENTER | WS_GROUP)},
    {"RTEXT", L"STATIC", static_cast<DWORD>(SS_RIGHT | WS_GROUP)},
    {"PUSHBUTTON", L"BUTTON", static_cast<DWORD>(BS_PUSHBUTTON | WS_TABSTOP)},
    {"DEFPUSHBUTTON", L"BUTTON", static_cast<DWORD>(BS_DEFPUSHBUTTON | WS_TABSTOP)},
    {"ICON", L"STATIC", static_cast<DWORD>(SS_ICON)},
};

}  // namespace

Dialog Parser::DialogEx() {
  Dialog d;
  d.x = Item("after the dialog's x");
  d.y = Item("after the dialog's y");
  d.cx = Item("after the dialog's width");
  d.cy = IntExpr();
  bool styleGiven = false, captionGiven = false, fontGiven = false;
  for (;;) {
    const Token &t = Peek();
    if (IsWord(t, "STYLE")) {
      Next();
      d.style = Expr();
      styleGiven = true;
    } else if (IsWord(t, "EXSTYLE")) {
      Next();
      d.exStyle = Expr();
    } else if (IsWord(t, "CAPTION")) {
      Next();
      d.caption = ExpectString("for CAPTION");
      captionGiven = true;
    } else if (AcceptResourceLanguage()) {
      // The dialog's own language.
    } else if (IsWord(t, "FONT")) {
      Next();
      d.fontPointSize = Item("after the font's point size");
      d.fontFace = ExpectString("for the font's face name");
      for (int extra = 0; extra < 3 && Accept(","); ++extra) Expr();  // weight, italic, character set
      fontGiven = true;
    } else {
      break;
    }
  }
  // Without STYLE a dialog is a bordered pop-up with a system menu;
  // CAPTION gives it a caption bar and FONT marks that it has a font.
  if (!styleGiven) d.style = static_cast<DWORD>(WS_POPUP | WS_BORDER | WS_SYSMENU);
  if (captionGiven) d.style |= static_cast<DWORD>(WS_CAPTION);
  if (fontGiven) d.style |= static_cast<DWORD>(DS_SETFONT);

  ExpectWord("BEGIN", "to open the dialog's controls");
  while (!IsWord(Peek(), "END")) d.controls.push_back(Control());
  Next();
  return d;
}

DialogControl Parser::Control() {
  const Token t = Peek();
  const ControlKind *kind = nullptr;
  for (const ControlKind &k : kControlKinds)
    if (IsWord(t, k.keyword)) kind = &k;
  if (!kind)
    Fail(t, "expected a control (LTEXT, CTEXT, RTEXT, PUSHBUTTON, DEFPUSHBUTTON, ICON) or END, found " + Describe(t));
  Next();
  DialogControl c;
  c.className = kind->className;
  c.style = static_cast<DWORD>(WS_CHILD | WS_VISIBLE) | kind->style;
  const bool icon = IsWord(t, "ICON");
  if (icon) {
    c.iconId = Item("after the icon");
  } else {
    c.text = ExpectString("for the control's text");
    Expect(",", "after the control's text");
  }
  c.id = Item("after the control's id");
  c.x = Item("after the control's x");
  c.y = IntExpr();
  if (icon && !IsPunct(Peek(), ",")) return c;
  Expect(",", "after the control's y");
  c.cx = Item("after the control's width");
  c.cy = IntExpr();
  if (!Accept(",")) return c;
  c.style |= Expr();
  if (Accept(",")) c.exStyle = Expr();
  return c;
}

}  // namespace winsim::rc
