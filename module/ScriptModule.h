// The module "Quillmere" through which scripts act on the desktop: log,
// getWindowProperty, doShadeWindow, doTransparentWindow, doTopmostWindow.
// Its effect functions keep their state in the records of the shade
// manager it is registered with.
#ifndef QUILLMERE_MODULE_SCRIPTMODULE_H
#define QUILLMERE_MODULE_SCRIPTMODULE_H

class ShadeManager;

// Creates the module and enters it in the running interpreter's table of
// imported modules, so that "import Quillmere" finds it, and hands it the
// manager whose records its effect functions use. Takes the interpreter
// lock for it; the caller may hold it or not. Returns false when the
// module could not be made; the manager is handed over all the same.
bool RegisterScriptModule(ShadeManager &manager);

// Takes the manager back, if the module still has it: from now on the
// effect functions find no record and leave windows alone, as they do with
// a window that is not managed. Returns once no script thread is looking a
// record up in it, so the manager may go. Safe to call more than once.
void DetachScriptModule(const ShadeManager &manager);

#endif
