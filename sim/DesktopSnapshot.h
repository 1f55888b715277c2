// The state of the desktop at one moment, as far as a run reports it: the
// windows the scenario named, every other top-level window, and the
// program's log.
#ifndef QUILLMERE_SIM_DESKTOP_SNAPSHOT_H
#define QUILLMERE_SIM_DESKTOP_SNAPSHOT_H

#include <windows.h>
#include <winsim/driver.h>

#include <string>
#include <utility>
#include <vector>

namespace quillmere::sim {

struct WindowView {
  HWND handle = nullptr;
  std::string label;  // the scenario's name, or the quoted title of a window it did not name
  bool named = false;
  winsim::driver::WindowState state;
};

struct DesktopSnapshot {
  std::vector<WindowView> windows;  // named windows in naming order, then the others in z-order
  std::vector<std::string> log;

  const WindowView *Find(HWND handle) const;
};

// The translucency a window shows: its alpha when it is layered and has
// layered attributes, otherwise 255 (opaque).
int EffectiveAlpha(const winsim::driver::WindowState &state);

// Reads the desktop. named: the scenario's names with their windows, in the
// order they were given.
DesktopSnapshot TakeSnapshot(const std::vector<std::pair<std::string, HWND>> &named, std::vector<std::string> log);

}  // namespace quillmere::sim

#endif
