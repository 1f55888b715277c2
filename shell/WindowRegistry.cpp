#include "shell/WindowRegistry.h"

std::map<HWND, BaseWindow *> &WindowRegistry::Entries() {
  // Lives until the process ends, as long as any window may send a message.
  static auto *entries = new std::map<HWND, BaseWindow *>;
  return *entries;
}

void WindowRegistry::Add(HWND window, BaseWindow *object) { Entries()[window] = object; }

BaseWindow *WindowRegistry::Find(HWND window) {
  auto it = Entries().find(window);
  return it == Entries().end() ? nullptr : it->second;
}
