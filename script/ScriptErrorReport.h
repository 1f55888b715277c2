// Reporting of errors raised by script code. Script errors never stop the
// program: each one is reported and the interpreter's error state cleared,
// so that the next script call starts clean.
//
// Reporting runs script code: the exception's own methods (its text, its
// notes, the names of its class) and a sys.stderr the script replaced. So
// callers report under a watch of the script watchdog, outside the script
// file's top level; a report cut short by the watchdog still reaches the
// error stream, with "<exception str() failed>" for a text that never came,
// or the C runtime's error stream when sys.stderr did not take the text.
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
