// Reader for a module's resource script: a line-based preprocessor that
// expands object-like macros (rc/preprocessor.cpp, with the lexer in
// rc/lexer.cpp), then a parser for the statements the program's script uses
// (rc/parser.cpp and a file per statement type; see rc_script.h for the
// accepted subset).
#include "rc_script.h"

#include "rc/parser.h"
#include "rc/preprocessor.h"
#include "rc/source.h"

#include <string>
#include <utility>
#include <vector>

namespace winsim::rc {

ParseError::ParseError(int line, const std::string &what)
    : std::runtime_error("line " + std::to_string(line) + ": " + what), line(line) {}

Script ParseScript(const std::string &text, const std::map<std::string, std::string> &includes) {
  Source source;
  std::vector<Token> tokens = Preprocessor(source, includes).Run(text);
  return Parser(source, std::move(tokens)).Run();
}

}  // namespace winsim::rc
