#include "config/NumberText.h"

#include <charconv>

// std::to_chars is specified to ignore the locale, which the C and C++
// stream formatting functions do not.

std::string IntegerText(int value) {
  char buffer[16];
  const std::to_chars_result result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

std::string RealText(double value) {
  char buffer[64];
  const std::to_chars_result result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general,
                                                    17);
  return std::string(buffer, result.ptr);
}
