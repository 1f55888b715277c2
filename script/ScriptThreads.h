// The threads a script leaves running when the program ends. The
// interpreter's finalisation would wait for every thread not marked as a
// daemon, forever if one never ends; the program waits a short, bounded
// time instead and then leaves the rest, as finalisation leaves daemons.
#ifndef QUILLMERE_SCRIPT_SCRIPTTHREADS_H
#define QUILLMERE_SCRIPT_SCRIPTTHREADS_H

#include <chrono>
#include <string>

// How long the program waits at exit for the script's threads to end.
constexpr std::chrono::milliseconds kScriptThreadExitWait{2000};

// Called with the interpreter lock held, right before finalisation: waits
// up to `limit` in all for the script's threads that are not daemons. When
// some are still running, finalisation will not wait for them, and the
// returned line (also written to the error stream) says how many there are
// and names them; otherwise it is empty and finalisation goes as usual.
std::wstring EndScriptThreads(std::chrono::milliseconds limit);

// How long a reload of the script waits for the old script's threads.
constexpr std::chrono::milliseconds kScriptThreadReloadWait{1000};

// Called with the interpreter lock held when the script is replaced: waits
// up to `limit` in all for the threads that are not daemons, as at exit,
// and then goes on. Threads still running are left running (in the old
// script's namespace); the returned line names them, and is empty when
// none is left.
std::wstring AwaitScriptThreadsAtReload(std::chrono::milliseconds limit);

#endif
