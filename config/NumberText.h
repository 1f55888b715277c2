// The canonical texts of numbers in settings. They never depend on the
// process locale (the program runs under the "japanese" one): no digit
// grouping, always a point as decimal separator.
#ifndef QUILLMERE_CONFIG_NUMBERTEXT_H
#define QUILLMERE_CONFIG_NUMBERTEXT_H

#include <string>

// Decimal digits, a minus sign in front of a negative value, no plus sign,
// no leading zeros.
std::string IntegerText(int value);
// The form printf's "%.17g" gives in the classic locale: 17 significant
// digits, the shorter of fixed and exponent notation, trailing zeros removed.
std::string RealText(double value);

#endif
