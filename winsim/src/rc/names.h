// The names the platform's headers give a resource script: the style, id
// and version constants a script may use without defining them.
#ifndef WINSIM_RC_NAMES_H
#define WINSIM_RC_NAMES_H

#include <windows.h>

#include <string>

namespace winsim::rc {

// The value of a platform constant, or null when name is not one.
const DWORD *PlatformConstant(const std::string &name);

}  // namespace winsim::rc

#endif
