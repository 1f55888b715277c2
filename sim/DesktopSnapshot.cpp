#include "DesktopSnapshot.h"

#include <set>

#include "Text.h"

namespace quillmere::sim {

namespace {

std::string LabelOf(const winsim::driver::WindowState &s) {
  std::wstring title = s.text;
  if (title.empty()) return "<" + Narrow(s.className) + ">";
  if (title.size() > 40) title = title.substr(0, 39) + L"\x2026";
  return Quote(Narrow(title));
}

}  // namespace

const WindowView *DesktopSnapshot::Find(HWND handle) const {
  for (const WindowView &w : windows)
    if (w.handle == handle) return &w;
  return nullptr;
}

int EffectiveAlpha(const winsim::driver::WindowState &state) {
  return (state.exStyle & WS_EX_LAYERED) && state.layeredAttributes ? state.alpha : 255;
}

DesktopSnapshot TakeSnapshot(const std::vector<std::pair<std::string, HWND>> &named, std::vector<std::string> log) {
  DesktopSnapshot snapshot;
  snapshot.log = std::move(log);
  std::set<HWND> seen;
  for (const auto &[name, handle] : named) {
    if (!handle || !seen.insert(handle).second) continue;
    snapshot.windows.push_back(WindowView{handle, name, true, winsim::driver::ReadWindow(handle)});
  }
  for (HWND handle : winsim::driver::TopLevelWindows()) {
    if (!seen.insert(handle).second) continue;
    WindowView view{handle, "", false, winsim::driver::ReadWindow(handle)};
    if (!view.state.exists) continue;
    view.label = LabelOf(view.state);
    snapshot.windows.push_back(std::move(view));
  }
  return snapshot;
}

}  // namespace quillmere::sim
