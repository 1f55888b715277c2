// A stand-in for the program in the host's tests: a main window of the
// program's class with a log view (the program's control id) and a menu
// whose exit command destroys it; the about command writes "about" to the
// log.
// Its entry function returns the exit code it was made with.
#ifndef QUILLMERE_TESTS_SIM_FAKE_PROGRAM_H
#define QUILLMERE_TESTS_SIM_FAKE_PROGRAM_H

namespace sim_test {

// The entry function; returns `exitCode` once the main window is destroyed.
int RunFakeProgram(int exitCode);

}  // namespace sim_test

#endif
