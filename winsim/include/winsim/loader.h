// The loader's part for shared libraries built as Win32 DLLs: a library
// gets a module handle by name, which GetModuleHandleW then finds, and its
// DllMain is called at load and unload (winsim/loader/dll_entry.cpp does
// both for a library that adds it with winsim_add_dll in CMake).
//
// Every simulated process shares the one loaded copy of a library, which
// the real loader loaded for the program's process. A library that holds a
// global hook is mapped into another process as on the platform: its
// DllMain is called there with DLL_PROCESS_ATTACH on the thread that first
// runs the hook, and with DLL_PROCESS_DETACH when the hook is gone (on that
// process's thread, when it next takes messages; reserved 0) or when the
// process ends (reserved nonzero).
#ifndef WINSIM_LOADER_H
#define WINSIM_LOADER_H

#include <windows.h>
#include <winsim/driver.h>

namespace winsim {

using DllEntry = BOOL(WINAPI *)(HINSTANCE, DWORD, LPVOID);

// A library's machine decides where its global hooks run: only in
// processes of the same machine.
HMODULE RegisterModule(const wchar_t *name, DllEntry entry = nullptr, driver::Machine machine = driver::Machine::X64);
void UnregisterModule(HMODULE module);

// What a library keeps for each process it is loaded in, which on the
// platform are simply its variables: the calling thread's process's value
// under key, made with make() on first use and released with drop() when
// the simulated process goes. drop must not call into the platform.
void *ProcessData(const void *key, void *(*make)(), void (*drop)(void *));

}  // namespace winsim

#endif
