// Compiled into a DLL's shared library: calls its DllMain when the library
// is loaded and unloaded, with the module handle registered under the
// DLL's name, as the platform's loader does. The shared library is unloaded
// only when the whole test process ends, so its unload is the detach of a
// process that ends (reserved nonzero).
#include <windows.h>
#include <winsim/loader.h>

#ifndef WINSIM_MODULE_NAME
#error "WINSIM_MODULE_NAME names the DLL"
#endif
#ifndef WINSIM_MODULE_MACHINE
#define WINSIM_MODULE_MACHINE X64
#endif

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved);

namespace {

struct LoadedDll {
  HMODULE module;
  LoadedDll()
      : module(winsim::RegisterModule(WINSIM_MODULE_NAME, DllMain, winsim::driver::Machine::WINSIM_MODULE_MACHINE)) {
    DllMain(module, DLL_PROCESS_ATTACH, nullptr);
  }
  ~LoadedDll() {
    DllMain(module, DLL_PROCESS_DETACH, reinterpret_cast<LPVOID>(1));
    winsim::UnregisterModule(module);
  }
};

LoadedDll g_loaded;

}  // namespace
