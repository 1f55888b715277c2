// The tokens of a resource script, and the characters they are made of.
#ifndef WINSIM_RC_TOKEN_H
#define WINSIM_RC_TOKEN_H

#include <cstdint>
#include <string>

namespace winsim::rc {

inline bool IsIdentStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }
inline bool IsIdentChar(char c) { return IsIdentStart(c) || IsDigit(c); }
inline bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }

enum class Kind { End, Name, Number, String, Punct };

struct Token {
  Kind kind = Kind::End;
  std::string text;     // as written (a string's text without its quotes)
  std::wstring wide;    // a string's value
  uint32_t number = 0;  // a number's value
  int line = 0;
  int file = 0;  // index into the names of the files read; 0 is the script itself
};

}  // namespace winsim::rc

#endif
