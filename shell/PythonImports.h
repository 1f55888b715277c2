// The functions the program imports from python3.dll, by name. The build
// derives the list from the program's own object files (and checks it
// against the reviewed stable-ABI names), so it is exactly what the
// delay-loaded calls will ask the library for.
#ifndef QUILLMERE_SHELL_PYTHONIMPORTS_H
#define QUILLMERE_SHELL_PYTHONIMPORTS_H

#include <cstddef>

extern const char *const kPythonImports[];
extern const std::size_t kPythonImportCount;

#endif
