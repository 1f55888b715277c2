// What the manager does when a window is shown, destroyed, loses the focus
// to or regains it from another root owner, and at start-up and shut-down.
//
// Every handle the manager is given is a root window, reduced so once for
// each event by the event table (WindowEvents.cpp); records, filters and
// handlers all see the root. The manager never moves or restyles a window:
// the script's handlers do, and the manager keeps the logical state.
//
// Script handlers can re-enter the manager (a handler that dispatches
// messages meets further events). Three rules keep that safe:
//  - While a window's shade or unshade handlers run, its record is busy and
//    every further request for that window is refused.
//  - Each operation holds a shared pointer to its record until it ends, so
//    a record erased meanwhile is never freed under it.
//  - After every script call the operation checks that the map still holds
//    its record. If the record was erased (the window was forgotten, usually
//    because its destroy event was handled inside the handler), the
//    operation ends there: it calls no further handler, changes no flag but
//    `busy`, which it clears, leaves the map alone and returns false. The
//    window's onDestroy has already run by then, so nothing else of the
//    script should hear of it.
#include "shade/ShadeManager.h"

#include "script/TopLevelWindows.h"
#include "shade/WindowArguments.h"

#include <vector>

namespace {

// Clears a record's busy flag however the sequence ends.
class BusyScope {
 public:
  explicit BusyScope(WindowRecord &record) : record_(record) { record_.busy = true; }
  ~BusyScope() { record_.busy = false; }
  BusyScope(const BusyScope &) = delete;
  BusyScope &operator=(const BusyScope &) = delete;

 private:
  WindowRecord &record_;
};

}  // namespace

bool ShadeManager::HandlerRefuses(WindowArguments &arguments, PyObject *slot) {
  if (!slot) return false;
  // Only the False object itself refuses; a failed call accepts.
  return CallHandler(slot, arguments) == ScriptAnswer::False;
}

void ShadeManager::CallIgnoringResult(WindowArguments &arguments, PyObject *slot) {
  if (!slot) return;
  CallHandler(slot, arguments);
}

void ShadeManager::AddExistingWindows() {
  for (HWND window : ListTopLevelWindows()) AddWindow(window);
}

bool ShadeManager::AddWindow(HWND root) {
  if (!root) return false;
  if (FindRecord(root)) return false;
  if (!IsEligible(root)) return false;
  WindowArguments arguments(root);
  if (HandlerRefuses(arguments, onAdd)) return false;
  // onAdd may have dispatched messages: the window may be gone (a record
  // for it would never be removed, and a later window with the same handle
  // value would inherit it), or an event handled meanwhile may have added
  // it already (that record stays as it is).
  if (onAdd && GetAncestor(root, GA_ROOT) != root) return false;
  return InsertRecord(root);
}

bool ShadeManager::RemoveWindow(HWND root) {
  WindowRecordPtr record = FindRecord(root);
  if (!record) return false;

  WindowArguments arguments(root);
  CallIgnoringResult(arguments, onDestroy);
  if (!IsCurrent(root, record)) return false;

  // A window that counts as shaded goes through the unshade sequence
  // before it is forgotten; its result does not matter.
  ChangeShade(arguments, record, false);
  return EraseRecord(root, record);
}

bool ShadeManager::RequestShade(HWND root, bool shade) {
  WindowRecordPtr record = FindRecord(root);
  if (!root || !record) return false;
  WindowArguments arguments(root);
  return ChangeShade(arguments, record, shade);
}

bool ShadeManager::ChangeShade(WindowArguments &arguments, const WindowRecordPtr &record, bool shade) {
  const HWND root = arguments.Root();
  if (record->busy) return false;
  if (shade) {
    // The filters are asked before the state is looked at, so they run
    // also for a window that already counts as shaded.
    if (!CheckFilters(arguments)) return false;
    if (!IsCurrent(root, record)) return false;
    if (record->busy) return false;
  }
  if (record->shaded == shade) return false;

  BusyScope busy(*record);
  if (HandlerRefuses(arguments, shade ? onShade : onUnshade)) return false;
  if (!IsCurrent(root, record)) return false;
  CallIgnoringResult(arguments, shade ? afterShade : afterUnshade);
  if (!IsCurrent(root, record)) return false;
  record->shaded = shade;
  return true;
}

void ShadeManager::RestoreAll() {
  // Walks a copy of the map: a handler that dispatches messages may add or
  // erase entries, which would invalidate an iterator into the map itself.
  // Records of windows that are no longer top-level windows (they are
  // gone) are passed over.
  std::vector<std::pair<HWND, WindowRecordPtr>> snapshot = Records();
  for (const auto &entry : snapshot)
    if (GetAncestor(entry.first, GA_ROOT) == entry.first) RequestShade(entry.first, false);
}
