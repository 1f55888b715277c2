// Window classes: the application's own, per process, and the system's
// predefined ones.
#include "desktop.h"

#include <algorithm>
#include <cwctype>

using namespace winsim;

namespace {

ATOM g_nextAtom = 0xC000;

bool SameName(const std::wstring &a, LPCWSTR b) {
  size_t n = wcslen(b);
  if (a.size() != n) return false;
  for (size_t i = 0; i < n; ++i)
    if (std::towupper(a[i]) != std::towupper(b[i])) return false;
  return true;
}

std::shared_ptr<WindowClass> MakeSystemClass(const wchar_t *name, WNDPROC proc, UINT style) {
  auto c = std::make_shared<WindowClass>();
  c->name = name;
  c->atom = g_nextAtom++;
  c->proc = proc;
  c->style = style;
  return c;
}

}  // namespace

namespace winsim {

void RegisterSystemClassesLocked(Desktop &d) {
  d.classes.push_back(MakeSystemClass(L"EDIT", EditWindowProc, CS_DBLCLKS));
  d.classes.push_back(MakeSystemClass(L"STATIC", StaticWindowProc, 0));
  d.classes.push_back(MakeSystemClass(L"BUTTON", ButtonWindowProc, CS_DBLCLKS));
  d.classes.push_back(MakeSystemClass(L"#32770", DefDlgProcW, 0));
}

// The class a name or atom refers to for a process: its own first, then the system's.
std::shared_ptr<WindowClass> FindClassLocked(LPCWSTR name, DWORD processId) {
  std::shared_ptr<WindowClass> system;
  for (auto &c : D().classes) {
    bool match = IS_INTRESOURCE(name) ? c->atom == static_cast<ATOM>(reinterpret_cast<uintptr_t>(name))
                                      : SameName(c->name, name);
    if (!match) continue;
    if (c->ownerProcess == processId) return c;
    if (c->ownerProcess == 0) system = c;
  }
  return system;
}

}  // namespace winsim

ATOM WINAPI RegisterClassExW(const WNDCLASSEXW *wc) {
  if (!wc || wc->cbSize != sizeof(WNDCLASSEXW) || !wc->lpszClassName || IS_INTRESOURCE(wc->lpszClassName) ||
      !wc->lpfnWndProc)
    return FailWith<ATOM>(ERROR_INVALID_PARAMETER, 0);
  auto self = CurrentThread();
  Lock lock(Mutex());
  Desktop &d = D();
  DWORD pid = self->process->id;
  for (auto &c : d.classes)
    if (c->ownerProcess == pid && SameName(c->name, wc->lpszClassName))
      return FailWith<ATOM>(ERROR_CLASS_ALREADY_EXISTS, 0);
  auto c = std::make_shared<WindowClass>();
  c->name = wc->lpszClassName;
  c->atom = g_nextAtom++;
  c->style = wc->style;
  c->proc = wc->lpfnWndProc;
  c->instance = wc->hInstance;
  c->icon = wc->hIcon;
  c->iconSmall = wc->hIconSm;
  c->cursor = wc->hCursor;
  c->background = wc->hbrBackground;
  if (wc->lpszMenuName) {
    if (IS_INTRESOURCE(wc->lpszMenuName))
      c->menuId = static_cast<int>(reinterpret_cast<uintptr_t>(wc->lpszMenuName));
    else
      c->menuName = wc->lpszMenuName;
  }
  c->ownerProcess = pid;
  d.classes.push_back(c);
  return c->atom;
}

BOOL WINAPI UnregisterClassW(LPCWSTR className, HINSTANCE /*instance*/) {
  if (!className) return Fail(ERROR_INVALID_PARAMETER);
  auto self = CurrentThread();
  Lock lock(Mutex());
  auto &classes = D().classes;
  auto c = FindClassLocked(className, self->process->id);
  if (!c || c->ownerProcess != self->process->id) return Fail(ERROR_CLASS_DOES_NOT_EXIST);
  for (auto &[h, w] : D().windows)
    if (w->cls == c) return Fail(ERROR_CLASS_HAS_WINDOWS);
  classes.erase(std::find(classes.begin(), classes.end(), c));
  return TRUE;
}
