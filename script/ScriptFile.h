// Running the user's script file. The program reads the file itself and
// hands the interpreter only its text: the interpreter may use another C
// runtime than the program, and a FILE* must never cross between them.
#ifndef QUILLMERE_SCRIPT_SCRIPTFILE_H
#define QUILLMERE_SCRIPT_SCRIPTFILE_H

#include "script/PythonApi.h"

#include <cstdint>
#include <string>

// The largest script file that is read. A script is a page or two of
// source; anything larger is taken for a wrong path (a data file, a disk
// image) and not read at all, rather than read into memory at any size.
constexpr std::uintmax_t kMaxScriptFileBytes = 1024 * 1024;

enum class ScriptFileRead {
  Read,       // the whole file is in the text
  Missing,    // nothing of that name
  Directory,  // not read: a directory
  Pipe,       // not read: a FIFO, whose opening waits for a writer
  Device,     // not read: a device, which may never end (/dev/zero)
  OtherKind,  // not read: a socket or anything else that is not a regular file
  TooLarge,   // not read: larger than kMaxScriptFileBytes
  Failed      // cannot be opened or read
};

// Reads the whole file, as bytes, into text, when it is a regular file (a
// link to one included) of at most kMaxScriptFileBytes; nothing else is
// opened. After anything but Read, text is unspecified.
ScriptFileRead ReadScriptFile(const char *path, std::string &text);

// Why a file was not read, to follow its name in a message ("is a
// directory"); empty for Read.
std::wstring ScriptFileProblem(ScriptFileRead read);

// The path as tracebacks name the file: decoded as the interpreter decodes
// file names, or byte for byte (Latin-1) when that fails.
std::wstring ScriptPathText(const char *path);

// Compiles the source text with the path as its file name and runs it in
// the module's namespace, as the interpreter runs a main script: "__file__"
// names the path while it runs, names defined before an error stay
// defined, and an error is reported (traceback naming the path) and
// cleared. Returns true when the text ran to its end.
bool RunScriptText(PyObject *module, const std::string &text, const char *path);

#endif
