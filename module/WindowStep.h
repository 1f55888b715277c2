// One step of the window effects on one window, alone: while a step holds
// a window, another step on the same window waits, so that reading what
// undoing needs, tagging the window and changing it cannot interleave with
// another thread's change of that window. Steps on different windows do
// not wait for each other.
#ifndef QUILLMERE_MODULE_WINDOWSTEP_H
#define QUILLMERE_MODULE_WINDOWSTEP_H

#include <windows.h>

class WindowStep {
 public:
  // Waits until no other step holds the window. A thread that waits for a
  // window of its own handles the messages sent to it meanwhile: the step
  // that holds the window may be changing it, which waits for this thread.
  explicit WindowStep(HWND window);
  ~WindowStep();
  WindowStep(const WindowStep &) = delete;
  WindowStep &operator=(const WindowStep &) = delete;

 private:
  HWND window_;
};

#endif
