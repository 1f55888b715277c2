// What the manager does when a window is shown, destroyed, loses the focus
// to or regains it from another root owner, and at start-up and shut-down.
//
// Every handle is first reduced to its root window; records, filters and
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
  explicit BusyScope(ShadeManager::ShadeStruct &record) : record_(record) { record_.busy = true; }
  ~BusyScope() { record_.busy = false; }
  BusyScope(const BusyScope &) = delete;
  BusyScope &operator=(const BusyScope &) = delete;

 private:
  ShadeManager::ShadeStruct &record_;
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

bool ShadeManager::AddWindow(HWND window) {
  HWND root = GetAncestor(window, GA_ROOT);
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

bool ShadeManager::RemoveWindow(HWND window) {
  // Destroy events are handled after the fact, when the window is usually
  // gone and its root no longer resolves. A top-level window is its own
  // root, so the event's own handle then finds its record; a destroyed
  // child window's handle finds none.
  HWND root = GetAncestor(window, GA_ROOT);
  if (!root) root = window;
  ShadeStructPtr record = FindRecord(root);
  if (!record) return false;

  WindowArguments arguments(root);
  CallIgnoringResult(arguments, onDestroy);
  if (!IsCurrent(root, record)) return false;

  // A window that counts as shaded goes through the unshade sequence
  // before it is forgotten; its result does not matter.
  UnshadeRecord(arguments, record);
  return EraseRecord(root, record);
}

bool ShadeManager::RequestShade(HWND window, bool shade) {
  HWND root = GetAncestor(window, GA_ROOT);
  ShadeStructPtr record = FindRecord(root);
  if (!root || !record) return false;
  WindowArguments arguments(root);
  return shade ? ShadeRecord(arguments, record) : UnshadeRecord(arguments, record);
}

bool ShadeManager::ShadeRecord(WindowArguments &arguments, const ShadeStructPtr &record) {
  const HWND root = arguments.Root();
  if (record->busy) return false;
  // The filters are asked before the state is looked at, so they run also
  // for a window that already counts as shaded.
  if (!CheckFilters(arguments)) return false;
  if (!IsCurrent(root, record)) return false;
  if (!record->managed || record->shaded || record->busy) return false;

  BusyScope busy(*record);
  if (HandlerRefuses(arguments, onShade)) return false;
  if (!IsCurrent(root, record)) return false;
  CallIgnoringResult(arguments, afterShade);
  if (!IsCurrent(root, record)) return false;
  record->shaded = true;
  return true;
}

bool ShadeManager::UnshadeRecord(WindowArguments &arguments, const ShadeStructPtr &record) {
  const HWND root = arguments.Root();
  if (record->busy) return false;
  if (!record->shaded) return false;

  BusyScope busy(*record);
  if (HandlerRefuses(arguments, onUnshade)) return false;
  if (!IsCurrent(root, record)) return false;
  CallIgnoringResult(arguments, afterUnshade);
  if (!IsCurrent(root, record)) return false;
  record->shaded = false;
  return true;
}

void ShadeManager::RestoreAll() {
  // Walks a copy of the map: a handler that dispatches messages may add or
  // erase entries, which would invalidate an iterator into the map itself.
  // Each request goes through the window's root again, so records of
  // windows that no longer exist are passed over.
  std::vector<std::pair<HWND, ShadeStructPtr>> snapshot = Records();
  for (const auto &entry : snapshot) RequestShade(entry.first, false);
}
