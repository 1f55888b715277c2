// The handle of the process that owns the hook's target window, kept by a
// hooked process from its first forwarded event on, so that each event
// costs no open and close of a process handle.
//
// The hook procedure runs on any thread of the process, many at once, so
// the handle is held without a lock: the current handle sits in a record
// together with the target window and process it was opened for, and the
// record is swapped atomically when the target changes. Each user holds a
// reference on the record; the handle is closed exactly once, by whoever
// drops the last reference, so a thread still writing through a replaced
// handle never finds it closed under it. Records are freed only when the
// object goes (the library leaves the process), so a record read just
// before it was replaced is still there to be looked at.
#ifndef QUILLMERE_HOOK_TARGETPROCESS_H
#define QUILLMERE_HOOK_TARGETPROCESS_H

#include <windows.h>

#include <atomic>

class TargetProcess {
  struct Opened;

 public:
  // A counted use of an open handle; empty when none could be had.
  class Use {
   public:
    Use() = default;
    explicit Use(Opened *opened) : opened_(opened) {}
    Use(Use &&other) noexcept : opened_(other.opened_) { other.opened_ = nullptr; }
    Use &operator=(Use &&) = delete;
    Use(const Use &) = delete;
    ~Use();
    explicit operator bool() const { return opened_ != nullptr; }
    HANDLE handle() const;

   private:
    friend class TargetProcess;
    Opened *opened_ = nullptr;
  };

  // The access the forwarding needs: allocating and writing a page.
  static constexpr DWORD kAccess = PROCESS_VM_OPERATION | PROCESS_VM_WRITE;

  constexpr TargetProcess() = default;
  ~TargetProcess();
  TargetProcess(const TargetProcess &) = delete;
  TargetProcess &operator=(const TargetProcess &) = delete;

  // The handle of processId, which owns target: the one already open for
  // this target and process, else a newly opened one that replaces it.
  Use Acquire(HWND target, DWORD processId);
  // The handle in use failed; the next Acquire opens the process afresh.
  void Discard(const Use &use);
  // Closes the current handle (the library is leaving the process).
  void Close();

 private:
  struct Opened {
    HWND target;
    DWORD processId;
    HANDLE process;
    // One reference for being current, one per Use. Never rises again from 0.
    std::atomic<long> references;
    Opened *older;  // every record made, newest first, for freeing
  };
  static bool Reference(Opened *opened);
  static void Release(Opened *opened);
  void Remember(Opened *opened);

  std::atomic<Opened *> current_{nullptr};
  std::atomic<Opened *> records_{nullptr};
};

#endif
