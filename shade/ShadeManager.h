// The one object that knows which top-level windows are managed and in what
// state each is, and that holds what the user's script handed over: its
// filters and its six handlers.
#ifndef QUILLMERE_SHADE_SHADEMANAGER_H
#define QUILLMERE_SHADE_SHADEMANAGER_H

#include "script/PythonContext.h"

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
  // The record of one managed window. The flags belong to the manager's
  // operations; the saved fields to the window effects the script calls.
  struct ShadeStruct {
    bool managed = true;   // set at creation, never cleared
    bool shaded = false;   // the window counts as rolled up
    bool busy = false;     // its shade or unshade handlers are running
    RECT savedRect{0, 0, 0, 0};  // rectangle before rolling up (screen)
    DWORD savedStyle = 0;        // style word before rolling up; its sizing frame comes back
    bool wasLayered = false;     // had WS_EX_LAYERED before turning translucent
    // The layered attributes its application had set (wasLayered, and
    // GetLayeredWindowAttributes could read them): they come back when it
    // turns opaque again.
    bool savedAttributes = false;
    COLORREF savedKey = 0;
    BYTE savedAlpha = 255;
    DWORD savedLayeredFlags = 0;
    // The effects hold the window rolled up / translucent / top-most:
    // savedRect and savedStyle, or the layered fields, hold what undoing
    // needs. Top-most is held only when the effects made it so.
    bool shadeHeld = false;
    bool translucencyHeld = false;
    bool topmostHeld = false;
  };
  typedef boost::shared_ptr<ShadeStruct> ShadeStructPtr;

  // Window handles ordered by their 32-bit value read as unsigned.
  struct HandleOrder {
    bool operator()(HWND a, HWND b) const { return Value(a) < Value(b); }
    static std::uint32_t Value(HWND h) {
      return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(h));
    }
  };
  typedef std::map<HWND, ShadeStructPtr, HandleOrder> RecordMap;

  // Requires an initialised interpreter (the context imports "__main__").
  ShadeManager();
  ~ShadeManager();

  ShadeManager(const ShadeManager &) = delete;
  ShadeManager &operator=(const ShadeManager &) = delete;

  // --- Script configuration ---

  // Runs the script file in "__main__" and takes the filters and handlers
  // from what its `configure` returns. Starts from an unconfigured state;
  // a file that cannot be read leaves the manager unconfigured.
  void LoadScript(const char *path);

  // --- Events, start-up and shut-down ---

  void AddExistingWindows();
  bool AddWindow(HWND window);
  bool RemoveWindow(HWND window);
  bool RequestShade(HWND window, bool shade);
  void RestoreAll();

  // --- Records ---

  // The record stored under exactly this handle, or null; never inserts.
  // Safe on any thread: script threads look records up through the
  // module's functions while the program's thread changes the map.
  ShadeStructPtr FindRecord(HWND window) const;

  // The records in map order (ascending handle value), each with a shared
  // pointer that keeps it alive while the caller holds the list.
  std::vector<std::pair<HWND, ShadeStructPtr>> Records() const;

 private:
  // An unowned, enabled top-level window.
  static bool IsEligible(HWND root);

  // Whether the map still holds this very record under the handle.
  bool IsCurrent(HWND root, const ShadeStructPtr &record) const;
  // Stores a fresh record under the handle unless one is there already.
  bool InsertRecord(HWND root);
  // Erases this very record, if the map still holds it under the handle.
  bool EraseRecord(HWND root, const ShadeStructPtr &record);

  // The shade and unshade sequences on a record already found, with the
  // arguments of the root's script calls in this event.
  bool ShadeRecord(WindowArguments &arguments, const ShadeStructPtr &record);
  bool UnshadeRecord(WindowArguments &arguments, const ShadeStructPtr &record);

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
};

#endif
