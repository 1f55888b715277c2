// Gives back their state to top-level windows that carry the window
// effects' tags although no effect holds them any more: windows a killed or
// crashed run left rolled up, translucent or top-most, and windows whose
// record was dropped while they were changed.
#ifndef QUILLMERE_MODULE_WINDOWRECOVERY_H
#define QUILLMERE_MODULE_WINDOWRECOVERY_H

#include <windows.h>

#include <string>
#include <vector>

struct RecoveredWindow {
  HWND window = nullptr;
  std::wstring title;
  bool wasRolledUp = false;
  bool wasTranslucent = false;
  bool wasTopmost = false;
};

// Rolls down, makes opaque and takes top-most placement from every
// top-level window with tags, without activating it, and removes the tags. Returns what it gave back, in the
// order the platform lists the windows.
std::vector<RecoveredWindow> RecoverTaggedWindows();

// The log line for one recovered window.
std::wstring RecoveryLogLine(const RecoveredWindow &recovered);

#endif
