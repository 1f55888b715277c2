// Whether the calling thread is inside the interpreter.
#ifndef QUILLMERE_SIM_INTERPRETER_FRAMES_H
#define QUILLMERE_SIM_INTERPRETER_FRAMES_H

namespace quillmere::sim {

// True when the calling thread's stack passes through the interpreter's
// code: script code runs, or the interpreter called out to native code (a
// ctypes call, a module function, a thread the script started). An
// exception cannot be carried through those frames, which would be left
// without their clean-up (the interpreter lock, the thread's frame records).
// Also true when the frames cannot be told apart.
bool StackHoldsInterpreterFrames();

}  // namespace quillmere::sim

#endif
