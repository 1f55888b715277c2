// The preprocessor of a resource script: the script's tokens, with macros
// expanded and the lines of false conditionals left out.
#ifndef WINSIM_RC_PREPROCESSOR_H
#define WINSIM_RC_PREPROCESSOR_H

#include "rc/source.h"
#include "rc/token.h"

#include <map>
#include <string>
#include <vector>

namespace winsim::rc {

class Preprocessor {
 public:
  Preprocessor(Source &source, const std::map<std::string, std::string> &includes)
      : source_(source), includes_(includes) {}

  std::vector<Token> Run(const std::string &text);

 private:
  struct Condition {
    bool active;        // the lines under it are read
    bool parentActive;  // the enclosing lines were being read
    bool sawElse;
    int line;
  };

  static constexpr int kMaxIncludeDepth = 8;
  static constexpr size_t kMaxExpansion = 1 << 16;

  void ReadFile(const std::string &text, int file, int depth);

  // A macro is not expanded again inside its own expansion, as in C.
  void Expand(const Token &t, std::vector<std::string> &expanding);

  void Directive(const std::string &text, int line, int file, int depth, std::vector<Condition> &conditions);

  Source &source_;
  const std::map<std::string, std::string> &includes_;
  std::map<std::string, std::vector<Token>> macros_;
  std::vector<Token> out_;
};

}  // namespace winsim::rc

#endif
