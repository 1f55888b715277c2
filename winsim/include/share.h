/* The runtime's file-sharing open. Every open on this platform shares the
 * file with other readers and writers, so the flags only need to exist. */
#ifndef WINSIM_SHARE_H
#define WINSIM_SHARE_H

#include <stdio.h>
#include <windef.h>

#define _SH_DENYRW 0x10
#define _SH_DENYWR 0x20
#define _SH_DENYRD 0x30
#define _SH_DENYNO 0x40

WINSIM_EXTERN_C __attribute__((visibility("default"))) FILE *_fsopen(const char *fileName, const char *mode,
                                                                     int shareFlag);

#endif
