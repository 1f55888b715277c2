/* winsim: the Win32 subset that Quillmere uses, over a simulated desktop. */
#ifndef WINSIM_WINDOWS_H
#define WINSIM_WINDOWS_H

#include <windef.h>
#include <winbase.h>
#include <winnls.h>
#include <winuser.h>
#include <wingdi.h>
#include <winver.h>

#endif
