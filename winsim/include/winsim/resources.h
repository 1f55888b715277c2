// Binds a module's resource script to its instance handle, so that
// LoadIconW, LoadAcceleratorsW, DialogBoxParamW and the class menu find
// the resources the Windows build compiles from the same script.
#ifndef WINSIM_RESOURCES_H
#define WINSIM_RESOURCES_H

#include <windows.h>

#include <map>
#include <string>

namespace winsim {

// scriptText: the resource script; includes: the text of each file it
// includes, by the name it uses. Throws std::runtime_error naming the line
// when the script cannot be read.
void RegisterResourceScript(HINSTANCE module, const std::string &scriptText,
                            const std::map<std::string, std::string> &includes);

}  // namespace winsim

#endif
