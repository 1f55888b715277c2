#include "shell/WindowRegistry.h"

std::mutex &WindowRegistry::Mutex() {
  // Lives until the process ends, as long as any window may send a message.
  static auto *mutex = new std::mutex;
  return *mutex;
}

std::map<HWND, BaseWindow *> &WindowRegistry::Entries() {
  static auto *entries = new std::map<HWND, BaseWindow *>;
  return *entries;
}

void WindowRegistry::Add(HWND window, BaseWindow *object) {
  std::lock_guard<std::mutex> guard(Mutex());
  Entries()[window] = object;
}

void WindowRegistry::Remove(HWND window) {
  std::lock_guard<std::mutex> guard(Mutex());
  Entries().erase(window);
}

BaseWindow *WindowRegistry::Find(HWND window) {
  std::lock_guard<std::mutex> guard(Mutex());
  auto it = Entries().find(window);
  return it == Entries().end() ? nullptr : it->second;
}
