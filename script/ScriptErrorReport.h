// Reporting of errors raised by script code. Script errors never stop the
// program: each one is reported and the interpreter's error state cleared,
// so that the next script call starts clean.
#ifndef QUILLMERE_SCRIPT_SCRIPTERRORREPORT_H
#define QUILLMERE_SCRIPT_SCRIPTERRORREPORT_H

#include <functional>
#include <string>

// Receives the text of every reported traceback, as written to the error
// stream (lines ending in '\n').
typedef std::function<void(const std::wstring &text)> ScriptErrorSink;

// Reports the pending script error, if any, and clears it: the traceback
// goes to the interpreter's error stream (sys.stderr), in the form the
// interpreter itself prints, and then to the sink, when one is set.
// A SystemExit raised by a script is reported like any other exception; it
// does not end the program.
void ReportScriptError();

// Reports a problem with the script that raised no exception (a script
// file that is not read, a `configure` that gives nothing usable): one
// line, written to the error stream and given to the sink as a traceback is.
void ReportScriptProblem(const std::wstring &line);

// Sets the sink that receives every reported traceback besides the error
// stream; an empty function removes it. Returns the previous sink.
ScriptErrorSink SetScriptErrorSink(ScriptErrorSink sink);

#endif
