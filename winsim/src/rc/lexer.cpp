// Splits one line of a resource script into names, numbers, strings and
// the punctuation , | ( ) -.
#include "rc/lexer.h"

#include <cstdint>
#include <string>
#include <vector>

namespace winsim::rc {

void Lexer::Lex(const std::string &s, std::vector<Token> &out) const {
  for (size_t i = 0; i < s.size();) {
    const char c = s[i];
    if (IsSpace(c)) {
      ++i;
    } else if (c == '"') {
      out.push_back(LexString(s, i));
    } else if (IsDigit(c)) {
      out.push_back(LexNumber(s, i));
    } else if (IsIdentStart(c)) {
      Token t = Make(Kind::Name);
      while (i < s.size() && IsIdentChar(s[i])) t.text.push_back(s[i++]);
      out.push_back(std::move(t));
    } else if (std::string(",|()-").find(c) != std::string::npos) {
      Token t = Make(Kind::Punct);
      t.text = std::string(1, c);
      ++i;
      out.push_back(std::move(t));
    } else {
      const unsigned code = static_cast<unsigned char>(c);
      Fail(code >= 0x20 && code < 0x7F ? "unexpected character '" + std::string(1, c) + "'"
                                       : "unexpected byte " + std::to_string(code) + " outside a string");
    }
  }
}

Token Lexer::Make(Kind kind) const {
  Token t;
  t.kind = kind;
  t.line = line_;
  t.file = file_;
  return t;
}

Token Lexer::LexNumber(const std::string &s, size_t &i) const {
  Token t = Make(Kind::Number);
  const size_t start = i;
  const bool hex = s[i] == '0' && i + 1 < s.size() && (s[i + 1] == 'x' || s[i + 1] == 'X');
  if (hex) i += 2;
  size_t digits = 0;
  for (; i < s.size(); ++i, ++digits) {
    const char c = s[i];
    uint32_t d;
    if (IsDigit(c))
      d = static_cast<uint32_t>(c - '0');
    else if (hex && c >= 'a' && c <= 'f')
      d = static_cast<uint32_t>(c - 'a' + 10);
    else if (hex && c >= 'A' && c <= 'F')
      d = static_cast<uint32_t>(c - 'A' + 10);
    else
      break;
    t.number = t.number * (hex ? 16 : 10) + d;
  }
  while (i < s.size() && (s[i] == 'L' || s[i] == 'l' || s[i] == 'U' || s[i] == 'u')) ++i;
  bool malformed = digits == 0;
  for (; i < s.size() && IsIdentChar(s[i]); ++i) malformed = true;
  t.text = s.substr(start, i - start);
  if (malformed) Fail("malformed number '" + t.text + "'");
  return t;
}

char32_t Lexer::DecodeUtf8(const std::string &s, size_t &i) const {
  const unsigned char b0 = static_cast<unsigned char>(s[i]);
  int extra = 0;
  char32_t cp = b0;
  if (b0 >= 0x80) {
    if ((b0 & 0xE0) == 0xC0)
      extra = 1, cp = b0 & 0x1F;
    else if ((b0 & 0xF0) == 0xE0)
      extra = 2, cp = b0 & 0x0F;
    else if ((b0 & 0xF8) == 0xF0)
      extra = 3, cp = b0 & 0x07;
    else
      Fail("invalid UTF-8 in string");
  }
  if (i + static_cast<size_t>(extra) >= s.size() && extra > 0) Fail("invalid UTF-8 in string");
  for (int k = 1; k <= extra; ++k) {
    const unsigned char b = static_cast<unsigned char>(s[i + static_cast<size_t>(k)]);
    if ((b & 0xC0) != 0x80) Fail("invalid UTF-8 in string");
    cp = (cp << 6) | (b & 0x3F);
  }
  static const char32_t kMin[] = {0, 0x80, 0x800, 0x10000};
  if (cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp < 0xE000)) Fail("invalid UTF-8 in string");
  i += static_cast<size_t>(extra) + 1;
  return cp;
}

Token Lexer::LexString(const std::string &s, size_t &i) const {
  Token t = Make(Kind::String);
  const size_t start = ++i;
  for (;;) {
    if (i >= s.size()) Fail("unterminated string");
    const char c = s[i];
    if (c == '"') {
      if (i + 1 < s.size() && s[i + 1] == '"') {
        t.wide.push_back(L'"');
        i += 2;
        continue;
      }
      break;
    }
    if (c != '\\') {
      // winsim's wchar_t holds a whole code point.
      t.wide.push_back(static_cast<wchar_t>(DecodeUtf8(s, i)));
      continue;
    }
    const char e = i + 1 < s.size() ? s[i + 1] : '\0';
    switch (e) {
      case 'n':
        t.wide.push_back(L'\n');
        break;
      case 't':
        t.wide.push_back(L'\t');
        break;
      case '\\':
        t.wide.push_back(L'\\');
        break;
      case '"':
        t.wide.push_back(L'"');
        break;
      default:
        Fail(std::string("unsupported escape '\\") + (e ? std::string(1, e) : "") + "' in string");
    }
    i += 2;
  }
  t.text = s.substr(start, i - start);
  ++i;
  return t;
}

}  // namespace winsim::rc
