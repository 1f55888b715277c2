// The one object that knows which top-level windows are managed and in what
// state each is, and that holds what the user's script handed over: its
// filters and its six handlers.
#ifndef QUILLMERE_SHADE_SHADEMANAGER_H
#define QUILLMERE_SHADE_SHADEMANAGER_H

#include "script/PythonContext.h"
#include "shade/WindowRecord.h"

#include <windows.h>

#include <boost/shared_ptr.hpp>

#include <cstdint>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

class WindowArguments;

class ShadeManager {
 public:
  // Window handles ordered by their 32-bit value read as unsigned.
  struct HandleOrder {
    bool operator()(HWND a, HWND b) const { return Value(a) < Value(b); }
    static std::uint32_t Value(HWND h) { return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(h)); }
  };
  typedef std::map<HWND, WindowRecordPtr, HandleOrder> RecordMap;

  // Requires an initialised interpreter (the context imports "__main__",
  // or makes a fresh one; see PythonContext::Namespace).
  explicit ShadeManager(PythonContext::Namespace space = PythonContext::Namespace::Existing);
  ~ShadeManager();

  ShadeManager(const ShadeManager &) = delete;
  ShadeManager &operator=(const ShadeManager &) = delete;

  // --- Script configuration ---

  // Runs the script file in "__main__" and takes the filters and handlers
  // from what its `configure` returns. Starts from an unconfigured state;
  // a file that cannot be read leaves the manager unconfigured. True when
  // `configure` ran and returned a tuple; every problem has been reported.
  bool LoadScript(const char *path);

  // Drops the configuration and releases the manager's references to the
  // script's objects (what `configure` returned, the filters, "__main__"),
  // for a manager whose script is replaced. The manager is unconfigured
  // afterwards. Runs the objects' finalisers under the watchdog; takes the
  // interpreter lock. No filter or handler of the manager may be running.
  void ReleaseScript();

  // --- Pause ---

  // A paused manager acts on no focus change: the event table's focus rows
  // do nothing. Shown and destroyed windows are still added and forgotten.
  // Pausing rolls nothing down; the caller does (RestoreAll).
  void SetPaused(bool pause) { paused = pause; }
  bool Paused() const { return paused; }

  // --- Events, start-up and shut-down ---

  // Each takes a root window, as the event table (WindowEvents.h) finds it.

  // Offers every existing top-level window, as if each had just been shown.
  void AddExistingWindows();
  // Makes a record for an eligible window the script's onAdd accepts.
  bool AddWindow(HWND root);
  // Tells the script's onDestroy, rolls the window down if it counts as
  // shaded, and forgets it.
  bool RemoveWindow(HWND root);
  // Runs the shade sequence (shade true) or the unshade sequence.
  bool RequestShade(HWND root, bool shade);
  // Runs the unshade sequence for every managed window still there.
  void RestoreAll();

  // --- Records ---

  // The record stored under exactly this handle, or null; never inserts.
  // Safe on any thread: script threads look records up through the
  // module's functions while the program's thread changes the map.
  WindowRecordPtr FindRecord(HWND window) const;

  // The records in map order (ascending handle value), each with a shared
  // pointer that keeps it alive while the caller holds the list.
  std::vector<std::pair<HWND, WindowRecordPtr>> Records() const;

 private:
  // An unowned, enabled top-level window.
  static bool IsEligible(HWND root);

  // Whether the map still holds this very record under the handle.
  bool IsCurrent(HWND root, const WindowRecordPtr &record) const;
  // Stores a fresh record under the handle unless one is there already.
  bool InsertRecord(HWND root);
  // Erases this very record, if the map still holds it under the handle.
  bool EraseRecord(HWND root, const WindowRecordPtr &record);

  // The shade sequence (shade true) or the unshade sequence on a record
  // already found, with the arguments of the root's script calls in this
  // event.
  bool ChangeShade(WindowArguments &arguments, const WindowRecordPtr &record, bool shade);

  // What a filter or handler call gave, by identity: the True or the
  // False object itself, anything else, or no result (the call failed;
  // its error has been reported and cleared).
  enum class ScriptAnswer { True, False, Other, Failed };

  // Calls a filter or handler with the arguments as last read, under one
  // interpreter lock and one watch, and releases its result.
  ScriptAnswer CallScript(PyObject *callable, WindowArguments &arguments);
  // Reads the window's texts again, then calls the handler.
  ScriptAnswer CallHandler(PyObject *handler, WindowArguments &arguments);
  // Asks the filters, in order, whether the arguments' root window may be
  // shaded; the first that returns True itself decides. Ineligible windows
  // are never offered to the filters. The handlers of the same request go
  // on with the same arguments.
  bool CheckFilters(WindowArguments &arguments);

  // Calls the handler in the slot, if set; true when it gave the False
  // object itself.
  bool HandlerRefuses(WindowArguments &arguments, PyObject *slot);
  // Calls the handler in the slot, if set, and ignores its result.
  void CallIgnoringResult(WindowArguments &arguments, PyObject *slot);

  void ClearConfiguration();

  // Every access to the map holds recordsMutex, and nothing else while it
  // does: no script call, no platform call, no interpreter lock.
  mutable std::mutex recordsMutex;
  RecordMap records;
  PythonContext context;
  // Borrowed handler objects; the `configure` result, never released, keeps
  // them alive. The filters are held with a reference of the manager's own,
  // also never released, because the script can empty the list it handed
  // over.
  std::vector<PyObject *> filters;
  PyObject *onAdd = nullptr;
  PyObject *onDestroy = nullptr;
  PyObject *onShade = nullptr;
  PyObject *onUnshade = nullptr;
  PyObject *afterUnshade = nullptr;
  PyObject *afterShade = nullptr;
  // What `configure` returned: a reference of the manager's own, released
  // only by ReleaseScript.
  PyObject *configuration = nullptr;
  bool paused = false;
};

#endif
