// Wine loads a Winelib program's code with local symbols, so the
// interpreter's extension modules would not find its symbols. Loading the
// interpreter's library globally before the program's entry runs fixes that.
#include <dlfcn.h>

namespace {

const bool interpreterLoaded = [] {
  return dlopen(QUILLMERE_PYTHON_LIBRARY, RTLD_NOW | RTLD_GLOBAL) != nullptr;
}();

}  // namespace
