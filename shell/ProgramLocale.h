// The process-wide locale of the standard library.
#ifndef QUILLMERE_SHELL_PROGRAMLOCALE_H
#define QUILLMERE_SHELL_PROGRAMLOCALE_H

#include <string>

// Makes the named locale "japanese" the process-wide default, with all
// categories. Where no locale of that name exists, takes the closest one
// available (a Japanese UTF-8 locale, then "C.UTF-8"); where none of them
// exists, the locale stays as it is. Returns the name that was taken, or
// an empty string.
std::string SetProgramLocale();

#endif
