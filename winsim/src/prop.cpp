// Window properties: data handles a window carries under names, set and
// read by any thread of any process. A name is an atom, given as
// MAKEINTATOM(atom) or as a string, which stands for its global atom, so
// names compare without regard to case. A property set under a string
// holds a reference to that atom until it is removed or its window is
// destroyed; the properties go with the window.
#include "desktop.h"

using namespace winsim;

namespace winsim {

void ReleasePropertiesLocked(Window &w) {
  for (auto &[atom, property] : w.properties)
    if (property.holdsAtom) ReleaseAtomLocked(atom);
  w.properties.clear();
}

}  // namespace winsim

namespace {

// The atom a name given as MAKEINTATOM stands for; 0 for a string.
ATOM AtomArgument(LPCWSTR name) {
  return IS_INTRESOURCE(name) ? static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(name)) : 0;
}

// The atom of an existing name, or 0 when no property can have it.
ATOM LookUpLocked(LPCWSTR name) {
  if (!name) return 0;
  if (ATOM atom = AtomArgument(name)) return atom;
  return IS_INTRESOURCE(name) ? 0 : FindAtomLocked(name);
}

}  // namespace

BOOL WINAPI SetPropW(HWND window, LPCWSTR name, HANDLE data) {
  Lock lock(Mutex());
  Window *w = PeekLocked(window);
  if (!w) return Fail(ERROR_INVALID_WINDOW_HANDLE);
  if (!name || (IS_INTRESOURCE(name) && !AtomArgument(name))) return Fail(ERROR_INVALID_PARAMETER);
  ATOM atom = AtomArgument(name);
  bool holdsAtom = false;
  if (!atom) {
    atom = AddAtomLocked(name);
    if (!atom) return FALSE;  // the atom's own error
    holdsAtom = true;
  }
  auto it = w->properties.find(atom);
  if (it == w->properties.end()) {
    w->properties.emplace(atom, WindowProperty{data, holdsAtom});
    return TRUE;
  }
  it->second.data = data;
  // One reference per property is enough.
  if (holdsAtom && it->second.holdsAtom)
    ReleaseAtomLocked(atom);
  else if (holdsAtom)
    it->second.holdsAtom = true;
  return TRUE;
}

// The window's property of that name, or null (with the error set for a
// stale window).
static WindowProperty *FindPropertyLocked(HWND window, LPCWSTR name, Window *&w, ATOM &atom) {
  w = PeekLocked(window);
  if (!w) return FailWith<WindowProperty *>(ERROR_INVALID_WINDOW_HANDLE, nullptr);
  atom = LookUpLocked(name);
  auto it = atom ? w->properties.find(atom) : w->properties.end();
  return it == w->properties.end() ? nullptr : &it->second;
}

HANDLE WINAPI GetPropW(HWND window, LPCWSTR name) {
  Lock lock(Mutex());
  Window *w = nullptr;
  ATOM atom = 0;
  WindowProperty *property = FindPropertyLocked(window, name, w, atom);
  return property ? property->data : nullptr;
}

HANDLE WINAPI RemovePropW(HWND window, LPCWSTR name) {
  Lock lock(Mutex());
  Window *w = nullptr;
  ATOM atom = 0;
  WindowProperty *property = FindPropertyLocked(window, name, w, atom);
  if (!property) return nullptr;
  HANDLE data = property->data;
  if (property->holdsAtom) ReleaseAtomLocked(atom);
  w->properties.erase(atom);
  return data;
}
