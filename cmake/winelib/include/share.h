// The C runtime's shared-open for a Winelib build, whose C library is the
// host's: the host opens files without sharing modes, so only _SH_DENYNO,
// the one mode the program uses, is offered.
#ifndef QUILLMERE_WINELIB_SHARE_H
#define QUILLMERE_WINELIB_SHARE_H

#include <cstdio>

#define _SH_DENYNO 0x40

inline FILE *_fsopen(const char *path, const char *mode, int /*shareFlag*/) { return std::fopen(path, mode); }

#endif
