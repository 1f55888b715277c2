// The module "Quillmere" through which scripts act on the desktop: log,
// getWindowProperty, doShadeWindow, doTransparentWindow, doTopmostWindow.
#ifndef QUILLMERE_MODULE_SCRIPTMODULE_H
#define QUILLMERE_MODULE_SCRIPTMODULE_H

// Creates the module and enters it in the interpreter's table of imported
// modules, so that "import Quillmere" finds it. The interpreter must be
// running. Returns false when the module could not be made.
bool RegisterScriptModule();

#endif
