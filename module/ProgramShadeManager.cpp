#include "module/ProgramShadeManager.h"

#include "shade/ShadeManager.h"
#include "shell/MainWindow.h"

ShadeManager *ProgramShadeManager() {
  return currentMainWindow ? currentMainWindow->GetShadeManager().get() : nullptr;
}
