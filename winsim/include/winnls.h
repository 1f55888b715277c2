/* Languages of winsim: language identifiers (as winnt.h gives them) and
 * the user's interface language, which the resource loader goes by. */
#ifndef WINSIM_WINNLS_H
#define WINSIM_WINNLS_H

#include <windef.h>

typedef WORD LANGID;

#define MAKELANGID(primary, sub) ((LANGID)((((WORD)(sub)) << 10) | (WORD)(primary)))
#define PRIMARYLANGID(lang) ((WORD)(lang)&0x3ff)
#define SUBLANGID(lang) ((WORD)(lang) >> 10)

#define LANG_NEUTRAL 0x00
#define LANG_GERMAN 0x07
#define LANG_ENGLISH 0x09
#define LANG_FRENCH 0x0c
#define LANG_JAPANESE 0x11

#define SUBLANG_NEUTRAL 0x00
#define SUBLANG_DEFAULT 0x01
#define SUBLANG_SYS_DEFAULT 0x02
#define SUBLANG_ENGLISH_US 0x01
#define SUBLANG_ENGLISH_UK 0x02
#define SUBLANG_GERMAN 0x01
#define SUBLANG_FRENCH 0x01
#define SUBLANG_JAPANESE_JAPAN 0x01

/* The language of the current user's menus and dialogs. */
WINBASEAPI LANGID WINAPI GetUserDefaultUILanguage(void);

#endif
