// Resources: icons, cursors, accelerator tables, menus and dialog
// templates, read from the module's resource script, each in the language
// the user's interface language chooses.
#include <winsim/resources.h>

#include "desktop.h"

using namespace winsim;

namespace {

// The system's own icons and cursors, which need no module.
constexpr uintptr_t kSystemIconBase = 0x10000;

int ResourceId(LPCWSTR name) { return IS_INTRESOURCE(name) ? static_cast<int>(reinterpret_cast<uintptr_t>(name)) : -1; }

HMENU BuildMenuLocked(const std::vector<rc::MenuItem> &items) {
  Desktop &d = D();
  HMENU handle = reinterpret_cast<HMENU>(NewHandleValue(d));
  Menu menu;
  for (auto &item : items) {
    Menu::Item entry;
    entry.text = item.text;
    entry.id = item.id;
    entry.flags = item.flags;
    if (item.flags & MF_POPUP) entry.submenu = BuildMenuLocked(item.children);
    menu.items.push_back(entry);
  }
  d.menus[handle] = std::move(menu);
  return handle;
}

void DestroyMenuLocked(HMENU handle) {
  auto it = D().menus.find(handle);
  if (it == D().menus.end()) return;
  std::vector<HMENU> subs;
  for (auto &item : it->second.items)
    if (item.submenu) subs.push_back(item.submenu);
  D().menus.erase(it);
  for (HMENU sub : subs) DestroyMenuLocked(sub);
}

const rc::Script *ScriptLocked(HINSTANCE instance) {
  auto it = D().resources.find(instance);
  return it == D().resources.end() ? nullptr : &it->second;
}

// The version of a resource the loader gives a request that names no
// language (LoadMenuW, LoadAcceleratorsW, DialogBoxParamW, LoadIconW): the
// language-neutral one, else the one in the user's interface language,
// else that language with a neutral sublanguage, else US English, else the
// first (the lowest language id). So a user whose language a module does
// not have gets its English resources. Null when the id has none.
template <typename T>
const T *PickLocked(const std::map<int, rc::ByLanguage<T>> &resources, int id) {
  auto it = resources.find(id);
  if (it == resources.end() || it->second.empty()) return nullptr;
  const rc::ByLanguage<T> &versions = it->second;
  const LANGID user = D().uiLanguage;
  for (LANGID language :
       {MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL), user, MAKELANGID(PRIMARYLANGID(user), SUBLANG_NEUTRAL),
        MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)}) {
    auto found = versions.find(language);
    if (found != versions.end()) return &found->second;
  }
  return &versions.begin()->second;
}

bool Matches(const ACCEL &a, const MSG &msg) {
  bool alt = (msg.lParam & 0x20000000) != 0;  // the context code: Alt was held
  if (a.fVirt & FVIRTKEY) {
    if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) return false;
    return a.key == msg.wParam && !(a.fVirt & (FSHIFT | FCONTROL)) && ((a.fVirt & FALT) != 0) == alt;
  }
  if (a.key != (msg.wParam & 0xFFFF)) return false;
  // Character entries: without Alt they match typed characters, with Alt
  // the system characters typed while Alt is held.
  if (msg.message == WM_CHAR) return !(a.fVirt & FALT);
  if (msg.message == WM_SYSCHAR) return (a.fVirt & FALT) && alt;
  return false;
}

}  // namespace

namespace winsim {

void RegisterResourceScript(HINSTANCE module, const std::string &scriptText,
                            const std::map<std::string, std::string> &includes) {
  rc::Script script = rc::ParseScript(scriptText, includes);
  Lock lock(Mutex());
  D().resources[module] = std::move(script);
}

HMENU LoadMenuFromScript(HINSTANCE instance, int id, const std::wstring & /*name*/) {
  Lock lock(Mutex());
  const rc::Script *script = ScriptLocked(instance);
  if (!script) return nullptr;
  const auto *items = PickLocked(script->menus, id);
  return items ? BuildMenuLocked(*items) : nullptr;
}

const rc::Dialog *FindDialogTemplateLocked(HINSTANCE instance, LPCWSTR name) {
  const rc::Script *script = ScriptLocked(instance);
  if (!script) return nullptr;
  return PickLocked(script->dialogs, ResourceId(name));
}

}  // namespace winsim

HICON WINAPI LoadIconW(HINSTANCE instance, LPCWSTR name) {
  int id = ResourceId(name);
  if (!instance) {
    // IDI_APPLICATION and the other system icons.
    if (id >= 32512 && id <= 32518) return reinterpret_cast<HICON>(kSystemIconBase + static_cast<uintptr_t>(id));
    return FailWith<HICON>(ERROR_RESOURCE_NAME_NOT_FOUND, nullptr);
  }
  Lock lock(Mutex());
  Desktop &d = D();
  const rc::Script *script = ScriptLocked(instance);
  if (!script) return FailWith<HICON>(ERROR_RESOURCE_TYPE_NOT_FOUND, nullptr);
  if (!PickLocked(script->icons, id)) return FailWith<HICON>(ERROR_RESOURCE_NAME_NOT_FOUND, nullptr);
  // A resource icon is shared: loading it again gives the same handle.
  auto &icon = d.icons[{instance, id}];
  if (!icon) icon = reinterpret_cast<HICON>(NewHandleValue(d));
  return icon;
}

HCURSOR WINAPI LoadCursorW(HINSTANCE instance, LPCWSTR name) {
  int id = ResourceId(name);
  if (!instance && id >= 32512 && id <= 32651)
    return reinterpret_cast<HCURSOR>(kSystemIconBase + 0x1000 + static_cast<uintptr_t>(id));
  return FailWith<HCURSOR>(ERROR_RESOURCE_NAME_NOT_FOUND, nullptr);
}

HACCEL WINAPI LoadAcceleratorsW(HINSTANCE instance, LPCWSTR name) {
  Lock lock(Mutex());
  Desktop &d = D();
  const rc::Script *script = ScriptLocked(instance);
  if (!script) return FailWith<HACCEL>(ERROR_RESOURCE_TYPE_NOT_FOUND, nullptr);
  const auto *written = PickLocked(script->accelerators, ResourceId(name));
  if (!written) return FailWith<HACCEL>(ERROR_RESOURCE_NAME_NOT_FOUND, nullptr);
  HACCEL table = reinterpret_cast<HACCEL>(NewHandleValue(d));
  auto &entries = d.accelerators[table];
  for (auto &a : *written) entries.push_back(ACCEL{a.fVirt, a.key, a.cmd});
  return table;
}

BOOL WINAPI DestroyAcceleratorTable(HACCEL table) {
  Lock lock(Mutex());
  return D().accelerators.erase(table) ? TRUE : FALSE;
}

int WINAPI CopyAcceleratorTableW(HACCEL table, LPACCEL entries, int count) {
  Lock lock(Mutex());
  auto it = D().accelerators.find(table);
  if (it == D().accelerators.end()) return 0;
  int n = static_cast<int>(it->second.size());
  if (!entries) return n;
  n = std::min(n, count);
  for (int i = 0; i < n; ++i) entries[i] = it->second[static_cast<size_t>(i)];
  return n;
}

int WINAPI TranslateAcceleratorW(HWND window, HACCEL table, LPMSG msg) {
  if (!window || !msg) return 0;
  WORD command = 0;
  bool found = false;
  {
    Lock lock(Mutex());
    auto it = D().accelerators.find(table);
    if (it == D().accelerators.end()) return FailWith<int>(ERROR_INVALID_PARAMETER, 0);
    if (!FindLocked(window)) return FailWith<int>(ERROR_INVALID_WINDOW_HANDLE, 0);
    for (auto &a : it->second) {
      if (Matches(a, *msg)) {
        command = a.cmd;
        found = true;
        break;
      }
    }
  }
  if (!found) return 0;
  // The command goes to the window named, as from an accelerator (high word 1).
  SendMessageW(window, WM_COMMAND, MAKEWPARAM(command, 1), 0);
  return 1;
}

HMENU WINAPI LoadMenuW(HINSTANCE instance, LPCWSTR name) {
  HMENU menu = LoadMenuFromScript(instance, ResourceId(name), IS_INTRESOURCE(name) ? L"" : name);
  return menu ? menu : FailWith<HMENU>(ERROR_RESOURCE_NAME_NOT_FOUND, nullptr);
}

HMENU WINAPI GetMenu(HWND window) {
  Lock lock(Mutex());
  auto w = FindLocked(window);
  if (!w) return FailWith<HMENU>(ERROR_INVALID_WINDOW_HANDLE, nullptr);
  return (w->style & WS_CHILD) ? nullptr : w->menu;
}

BOOL WINAPI DestroyMenu(HMENU menu) {
  Lock lock(Mutex());
  if (!D().menus.count(menu)) return Fail(ERROR_INVALID_MENU_HANDLE);
  DestroyMenuLocked(menu);
  return TRUE;
}

int WINAPI GetMenuItemCount(HMENU menu) {
  Lock lock(Mutex());
  auto it = D().menus.find(menu);
  if (it == D().menus.end()) return FailWith<int>(ERROR_INVALID_MENU_HANDLE, -1);
  return static_cast<int>(it->second.items.size());
}

UINT WINAPI GetMenuItemID(HMENU menu, int position) {
  Lock lock(Mutex());
  auto it = D().menus.find(menu);
  if (it == D().menus.end() || position < 0 || position >= static_cast<int>(it->second.items.size()))
    return static_cast<UINT>(-1);
  auto &item = it->second.items[static_cast<size_t>(position)];
  return item.submenu ? static_cast<UINT>(-1) : item.id;
}

HMENU WINAPI GetSubMenu(HMENU menu, int position) {
  Lock lock(Mutex());
  auto it = D().menus.find(menu);
  if (it == D().menus.end() || position < 0 || position >= static_cast<int>(it->second.items.size())) return nullptr;
  return it->second.items[static_cast<size_t>(position)].submenu;
}

int WINAPI GetMenuStringW(HMENU menu, UINT item, LPWSTR buffer, int maxCount, UINT flags) {
  Lock lock(Mutex());
  const Menu::Item *entry = FindMenuItemLocked(menu, item, flags);
  if (!entry) return 0;
  if (!buffer || maxCount <= 0) return static_cast<int>(entry->text.size());
  size_t n = std::min(entry->text.size(), static_cast<size_t>(maxCount - 1));
  std::copy_n(entry->text.data(), n, buffer);
  buffer[n] = L'\0';
  return static_cast<int>(n);
}
