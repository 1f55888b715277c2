// One copy of the program at a time in the user's session. The hook
// library's state is shared by every process on the desktop and takes one
// program; a second copy would run deaf and, at its end, rewrite the
// settings file under the first. So the first copy holds a named mutex for
// as long as it runs, and a copy started meanwhile finds the name taken,
// asks the running copy to bring its main window forward and ends before it
// has touched anything. The 32-bit and the 64-bit build each have their own
// hook library and their own name, and may run side by side.
#ifndef QUILLMERE_SHELL_RUNNINGCOPY_H
#define QUILLMERE_SHELL_RUNNINGCOPY_H

#include <windows.h>

#include "scoped/UniqueHandle.h"

class RunningCopy {
 public:
  // Takes the session's name for this copy; false when another copy of the
  // same bitness holds it. A name that cannot be made for another reason
  // counts as free: the hook library still refuses a second program.
  bool Claim();

 private:
  UniqueHandle name_;
};

// The registered message that asks the running copy's main window to come
// forward, of this bitness only.
UINT ComeForwardMessage();

// Asks the running copy to bring its main window forward, and lets it take
// the foreground. A copy that is still starting may have no main window
// yet: it is waited for a little while.
void CallRunningCopyForward();

#endif
