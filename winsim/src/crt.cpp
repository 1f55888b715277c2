// The runtime pieces the program needs beyond the C and C++ libraries.
#include <share.h>
#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <unistd.h>

#include "desktop.h"

// Files are never locked against other openers here, so every share flag
// behaves as _SH_DENYNO does.
FILE *_fsopen(const char *fileName, const char *mode, int /*shareFlag*/) { return std::fopen(fileName, mode); }

// rename() replaces the target in one step, which is what
// MOVEFILE_REPLACE_EXISTING asks for; without that flag an existing target
// makes the move fail, as on the platform. MOVEFILE_WRITE_THROUGH needs
// nothing more: the caller flushes the file it wrote before moving it.
BOOL WINAPI MoveFileExA(LPCSTR existing, LPCSTR replacement, DWORD flags) {
  if (!existing || !replacement) return winsim::Fail(ERROR_INVALID_PARAMETER);
  if (!(flags & MOVEFILE_REPLACE_EXISTING) && access(replacement, F_OK) == 0) return winsim::Fail(ERROR_ACCESS_DENIED);
  if (std::rename(existing, replacement) != 0)
    return winsim::Fail(errno == ENOENT ? ERROR_FILE_NOT_FOUND : ERROR_ACCESS_DENIED);
  return TRUE;
}

BOOL WINAPI DeleteFileA(LPCSTR fileName) {
  if (!fileName) return winsim::Fail(ERROR_INVALID_PARAMETER);
  if (unlink(fileName) != 0) return winsim::Fail(errno == ENOENT ? ERROR_FILE_NOT_FOUND : ERROR_ACCESS_DENIED);
  return TRUE;
}
