// Reads the scenario language: one command a line, `#` starting a comment
// outside quotes, quoted texts holding \" and \\. Every name must be given
// (by `app` or `window`) before it is used, so a scenario that parses can
// be played from its first line to its last.
#ifndef QUILLMERE_SIM_SCENARIO_PARSER_H
#define QUILLMERE_SIM_SCENARIO_PARSER_H

#include <stdexcept>
#include <string>
#include <vector>

#include "Scenario.h"

namespace quillmere::sim {

class ScenarioError : public std::runtime_error {
 public:
  ScenarioError(int line, const std::string &reason)
      : std::runtime_error("line " + std::to_string(line) + ": " + reason), line_(line), reason_(reason) {}
  int line() const { return line_; }
  const std::string &reason() const { return reason_; }

 private:
  int line_;
  std::string reason_;
};

// One word of a line. A word may mix plain and quoted parts (key="a b");
// quotedFrom is where its first quoted part begins in text, or npos.
struct Token {
  std::string text;
  std::string::size_type quotedFrom = std::string::npos;
  bool quoted() const { return quotedFrom != std::string::npos; }
};

// Splits one line into words; throws ScenarioError for an unterminated
// quote or an unknown escape.
std::vector<Token> TokenizeLine(const std::string &line, int lineNumber);

// Parses a whole scenario; throws ScenarioError at the first line that
// cannot be read.
Scenario ParseScenario(const std::string &text);

}  // namespace quillmere::sim

#endif
