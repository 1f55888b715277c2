// The loader's part for shared libraries built as Win32 DLLs: a library
// gets a module handle by name, which GetModuleHandleW then finds, and its
// DllMain is called at load and unload (winsim/loader/dll_entry.cpp does
// both for a library that adds it with winsim_add_dll in CMake).
#ifndef WINSIM_LOADER_H
#define WINSIM_LOADER_H

#include <windows.h>

namespace winsim {

HMODULE RegisterModule(const wchar_t *name);
void UnregisterModule(HMODULE module);

}  // namespace winsim

#endif
