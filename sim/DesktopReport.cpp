#include "DesktopReport.h"

#include <algorithm>

#include "Text.h"

namespace quillmere::sim {

namespace {

using winsim::driver::WindowState;

int Width(const RECT &r) { return r.right - r.left; }
int Height(const RECT &r) { return r.bottom - r.top; }

std::string Position(const RECT &r) { return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")"; }
std::string Size(const RECT &r) { return std::to_string(Width(r)) + "x" + std::to_string(Height(r)); }

std::string Join(const std::vector<std::string> &parts, const char *separator) {
  std::string out;
  for (const std::string &p : parts) {
    if (!out.empty()) out += separator;
    out += p;
  }
  return out;
}

std::string Alpha(int alpha) { return alpha == 255 ? "opaque" : "translucent (alpha " + std::to_string(alpha) + ")"; }

}  // namespace

std::vector<std::string> DescribeChanges(const WindowState &before, const WindowState &after) {
  std::vector<std::string> changes;
  if (!before.exists && !after.exists) return changes;
  if (!before.exists) {
    changes.push_back("appeared: " + DescribeWindow(after));
    return changes;
  }
  if (!after.exists) {
    changes.push_back("was destroyed");
    return changes;
  }
  if (before.text != after.text)
    changes.push_back("retitled " + Quote(Narrow(before.text)) + " -> " + Quote(Narrow(after.text)));
  if (before.visible != after.visible) changes.push_back(after.visible ? "shown" : "hidden");
  if (before.enabled != after.enabled) changes.push_back(after.enabled ? "enabled" : "disabled");
  bool minimized = after.style & WS_MINIMIZE, wasMinimized = before.style & WS_MINIMIZE;
  if (minimized != wasMinimized) changes.push_back(minimized ? "minimised" : "no longer minimised");
  if (before.rect.left != after.rect.left || before.rect.top != after.rect.top)
    changes.push_back("moved " + Position(before.rect) + " -> " + Position(after.rect));
  if (Width(before.rect) != Width(after.rect) || Height(before.rect) != Height(after.rect))
    changes.push_back("resized " + Size(before.rect) + " -> " + Size(after.rect));
  bool frame = after.style & WS_THICKFRAME, hadFrame = before.style & WS_THICKFRAME;
  if (frame != hadFrame) changes.push_back(frame ? "gained its sizing frame" : "lost its sizing frame");
  int alpha = EffectiveAlpha(after), oldAlpha = EffectiveAlpha(before);
  bool layered = after.exStyle & WS_EX_LAYERED, wasLayered = before.exStyle & WS_EX_LAYERED;
  if (alpha != oldAlpha)
    changes.push_back(oldAlpha == 255 ? "became " + Alpha(alpha)
                      : alpha == 255  ? "became opaque again"
                                      : "alpha " + std::to_string(oldAlpha) + " -> " + std::to_string(alpha));
  else if (layered != wasLayered)
    changes.push_back(layered ? "became layered" : "no longer layered");
  if (before.topmost != after.topmost) changes.push_back(after.topmost ? "became top-most" : "no longer top-most");
  return changes;
}

std::vector<std::string> NewLogLines(const std::vector<std::string> &before, const std::vector<std::string> &now) {
  // The smallest number of lines dropped from the front of `before` after
  // which the rest of it starts `now`; the first kept line may have lost
  // its beginning.
  for (std::size_t drop = 0; drop <= before.size(); ++drop) {
    std::size_t kept = before.size() - drop;
    if (kept > now.size()) continue;
    bool match = true;
    for (std::size_t i = 0; i < kept && match; ++i) {
      const std::string &old = before[drop + i];
      const std::string &cur = now[i];
      if (i == 0 && cur.size() <= old.size())
        match = old.compare(old.size() - cur.size(), cur.size(), cur) == 0;
      else
        match = old == cur;
    }
    if (match) return std::vector<std::string>(now.begin() + static_cast<std::ptrdiff_t>(kept), now.end());
  }
  return now;
}

std::vector<ReportLine> CompareSnapshots(const DesktopSnapshot &before, const DesktopSnapshot &after) {
  std::vector<ReportLine> lines;
  static const WindowState kAbsent{};
  auto report = [&](const std::string &label, const WindowState &b, const WindowState &a) {
    auto changes = DescribeChanges(b, a);
    if (!changes.empty()) lines.push_back(ReportLine{label, Join(changes, ", ")});
  };
  for (const WindowView &a : after.windows) {
    const WindowView *b = before.Find(a.handle);
    const WindowState &old = b ? b->state : kAbsent;
    if (!a.named && !a.state.visible && !old.visible) continue;
    report(a.label, old, a.state);
  }
  for (const WindowView &b : before.windows) {
    if (after.Find(b.handle)) continue;
    // Gone from the top-level list: an unnamed window that was destroyed.
    if (!b.named && !b.state.visible) continue;
    report(b.label, b.state, winsim::driver::ReadWindow(b.handle));
  }
  for (std::string &line : NewLogLines(before.log, after.log)) lines.push_back(ReportLine{"log", std::move(line)});
  return lines;
}

std::string DescribeWindow(const WindowState &s) {
  if (!s.exists) return "does not exist";
  std::vector<std::string> flags;
  flags.push_back(s.visible ? "visible" : "hidden");
  if (!s.enabled) flags.push_back("disabled");
  if (s.style & WS_MINIMIZE) flags.push_back("minimised");
  if (s.style & WS_THICKFRAME) flags.push_back("sizing frame");
  int alpha = EffectiveAlpha(s);
  if (alpha != 255)
    flags.push_back("alpha " + std::to_string(alpha));
  else if (s.exStyle & WS_EX_LAYERED)
    flags.push_back("layered");
  if (s.topmost) flags.push_back("top-most");
  return Quote(Narrow(s.text)) + " " + Position(s.rect) + " " + Size(s.rect) + " [" + Narrow(s.className) + "] " +
         Join(flags, ", ");
}

void WriteReport(std::ostream &out, const std::vector<ReportLine> &lines, const std::string &indent) {
  std::size_t width = 0;
  for (const ReportLine &l : lines) width = std::max(width, DisplayWidth(l.label));
  for (const ReportLine &l : lines) {
    out << indent << l.label << std::string(width - DisplayWidth(l.label) + 2, ' ') << l.text << '\n';
  }
}

}  // namespace quillmere::sim
