#include "script/TopLevelWindows.h"

namespace {

BOOL CALLBACK CollectWindow(HWND window, LPARAM list) {
  try {
    reinterpret_cast<std::vector<HWND> *>(list)->push_back(window);
  } catch (...) {
    return FALSE;  // out of memory: stop with what has been collected
  }
  return TRUE;
}

}  // namespace

std::vector<HWND> ListTopLevelWindows() {
  std::vector<HWND> windows;
  EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&windows));
  return windows;
}
