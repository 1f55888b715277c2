// The lexer of a resource script: one line of comment-free text into tokens.
#ifndef WINSIM_RC_LEXER_H
#define WINSIM_RC_LEXER_H

#include "rc/source.h"
#include "rc/token.h"

#include <string>
#include <vector>

namespace winsim::rc {

// Splits one line of comment-free text into tokens.
class Lexer {
 public:
  Lexer(const Source &source, int line, int file) : source_(source), line_(line), file_(file) {}

  void Lex(const std::string &s, std::vector<Token> &out) const;

 private:
  [[noreturn]] void Fail(const std::string &message) const { source_.Fail(line_, file_, message); }

  Token Make(Kind kind) const;

  // Decimal or 0x hexadecimal, with an optional L or U suffix; the value
  // wraps to 32 bits, as the resource compiler's arithmetic does.
  Token LexNumber(const std::string &s, size_t &i) const;

  // Decodes one UTF-8 sequence at s[i] into a code point.
  char32_t DecodeUtf8(const std::string &s, size_t &i) const;

  // s[i] is the opening quote. A doubled quote stands for one quote.
  Token LexString(const std::string &s, size_t &i) const;

  const Source &source_;
  int line_;
  int file_;
};

}  // namespace winsim::rc

#endif
