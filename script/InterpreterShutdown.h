// The end of the interpreter at the program's exit. Finalisation runs
// script code the program does not watch (the script's atexit callbacks),
// so it gets a bounded time; windows and settings have been handled before,
// and what is left to do when it overruns is to end the process.
#ifndef QUILLMERE_SCRIPT_INTERPRETERSHUTDOWN_H
#define QUILLMERE_SCRIPT_INTERPRETERSHUTDOWN_H

#include <windows.h>

#include <chrono>

// How long finalisation may take before the process is ended.
constexpr std::chrono::milliseconds kFinalisationLimit{5000};

// With the interpreter lock held: closes the way back into the interpreter
// for threads that gave the lock up, and finalises it. When finalisation
// has not ended within `limit`, a line on the error stream says so and the
// process ends with `exitCode`.
void FinaliseInterpreter(std::chrono::milliseconds limit, UINT exitCode);

#endif
