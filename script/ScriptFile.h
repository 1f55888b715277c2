// Running the user's script file. The program reads the file itself and
// hands the interpreter only its text: the interpreter may use another C
// runtime than the program, and a FILE* must never cross between them.
#ifndef QUILLMERE_SCRIPT_SCRIPTFILE_H
#define QUILLMERE_SCRIPT_SCRIPTFILE_H

#include "script/PythonApi.h"

#include <string>

// Reads the whole file, as bytes, into text. False when the file cannot be
// opened or a read fails; text is then unspecified.
bool ReadScriptFile(const char *path, std::string &text);

// Compiles the source text with the path as its file name and runs it in
// the module's namespace, as the interpreter runs a main script: "__file__"
// names the path while it runs, names defined before an error stay
// defined, and an error is reported (traceback naming the path) and
// cleared. Returns true when the text ran to its end.
bool RunScriptText(PyObject *module, const std::string &text, const char *path);

#endif
