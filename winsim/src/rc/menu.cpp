// MENU: its own LANGUAGE, then POPUP, MENUITEM and MENUITEM SEPARATOR, up to END.
#include "rc/parser.h"

#include <vector>

namespace winsim::rc {

std::vector<MenuItem> Parser::Menu() {
  AcceptResourceLanguage();
  ExpectWord("BEGIN", "to open the menu");
  return MenuItems();
}

std::vector<MenuItem> Parser::MenuItems() {
  DepthGuard guard(*this);
  std::vector<MenuItem> items;
  for (;;) {
    const Token &t = Peek();
    if (IsWord(t, "END")) {
      Next();
      return items;
    }
    MenuItem item;
    if (IsWord(t, "MENUITEM")) {
      Next();
      if (IsWord(Peek(), "SEPARATOR")) {
        Next();
        item.flags = MF_SEPARATOR;
      } else {
        item.text = ExpectString("for the menu item");
        Expect(",", "after the menu item's text");
        item.id = static_cast<WORD>(Expr());
      }
    } else if (IsWord(t, "POPUP")) {
      Next();
      item.text = ExpectString("for the popup");
      item.flags = MF_POPUP;
      ExpectWord("BEGIN", "to open the popup");
      item.children = MenuItems();
    } else {
      Fail(t, "expected MENUITEM, POPUP or END in the menu, found " + Describe(t));
    }
    items.push_back(std::move(item));
  }
}

}  // namespace winsim::rc
