// Check marks of menu items: CheckMenuItem and GetMenuState. An item named
// by its command is looked for in the menu and in its sub-menus, depth
// first, as the platform looks for it.
#include "desktop.h"

using namespace winsim;

namespace winsim {

Menu::Item *FindMenuItemLocked(HMENU menu, UINT item, UINT flags) {
  auto it = D().menus.find(menu);
  if (it == D().menus.end()) return nullptr;
  auto &items = it->second.items;
  if (flags & MF_BYPOSITION) return item < items.size() ? &items[item] : nullptr;
  for (auto &entry : items) {
    if (!entry.submenu && entry.id == item) return &entry;
    if (entry.submenu)
      if (Menu::Item *inside = FindMenuItemLocked(entry.submenu, item, flags)) return inside;
  }
  return nullptr;
}

}  // namespace winsim

DWORD WINAPI CheckMenuItem(HMENU menu, UINT item, UINT check) {
  Lock lock(Mutex());
  Menu::Item *entry = FindMenuItemLocked(menu, item, check);
  if (!entry) return static_cast<DWORD>(-1);
  const DWORD previous = entry->flags & MF_CHECKED;
  entry->flags = (entry->flags & ~static_cast<UINT>(MF_CHECKED)) | (check & MF_CHECKED);
  return previous;
}

UINT WINAPI GetMenuState(HMENU menu, UINT item, UINT flags) {
  Lock lock(Mutex());
  Menu::Item *entry = FindMenuItemLocked(menu, item, flags);
  return entry ? entry->flags : static_cast<UINT>(-1);
}
