// What changed on the desktop between two snapshots, in words: which window
// moved, was resized, lost or gained its sizing frame, became translucent or
// top-most, was shown, hidden, retitled, created or destroyed; and the lines
// the log gained.
#ifndef QUILLMERE_SIM_DESKTOP_REPORT_H
#define QUILLMERE_SIM_DESKTOP_REPORT_H

#include <ostream>
#include <string>
#include <vector>

#include "DesktopSnapshot.h"

namespace quillmere::sim {

// One line of a report: whose it is (a window's label, or "log") and what it says.
struct ReportLine {
  std::string label;
  std::string text;
};

// The changes of one window, each as a short phrase, in a fixed order.
std::vector<std::string> DescribeChanges(const winsim::driver::WindowState &before,
                                         const winsim::driver::WindowState &after);

// The lines of `now` that `before` did not end with. The log keeps a bounded
// text and drops its oldest part, so the lines that have gone from its front
// (and a first line cut short) are not taken for new ones.
std::vector<std::string> NewLogLines(const std::vector<std::string> &before, const std::vector<std::string> &now);

// One line per window that changed, then one per new log line. Windows the
// scenario did not name are reported only while visible.
std::vector<ReportLine> CompareSnapshots(const DesktopSnapshot &before, const DesktopSnapshot &after);

// A window in one line: title, position, size, class and flags.
std::string DescribeWindow(const winsim::driver::WindowState &state);

// Writes report lines with their labels aligned, each line indented.
void WriteReport(std::ostream &out, const std::vector<ReportLine> &lines, const std::string &indent);

}  // namespace quillmere::sim

#endif
