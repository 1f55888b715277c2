// The module's one way back up to the program: the shade manager of the
// running program's main window. The module's functions are called by the
// interpreter with only a window handle and a flag, so they find the
// records of managed windows through the one main window of the process
// (currentMainWindow). This is the only place below the shell that knows
// the main window; everything else in this folder is handed what it needs.
#ifndef QUILLMERE_MODULE_PROGRAMSHADEMANAGER_H
#define QUILLMERE_MODULE_PROGRAMSHADEMANAGER_H

class ShadeManager;

// The main window's shade manager; null before the main window exists and
// after it has dropped its manager.
ShadeManager *ProgramShadeManager();

#endif
