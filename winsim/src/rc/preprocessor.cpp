// Preprocessing of a resource script, line by line: comments, #include of
// the files handed in, object-like #define, #ifdef, #ifndef, #else, #endif
// and #pragma code_page(65001).
#include "rc/preprocessor.h"

#include "rc/lexer.h"

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace winsim::rc {

namespace {

// Replaces comments by a space, leaving strings alone. inComment carries
// a /* comment that is still open at the end of the line.
std::string StripComments(const std::string &line, bool &inComment) {
  std::string out;
  for (size_t i = 0; i < line.size();) {
    if (inComment) {
      const size_t end = line.find("*/", i);
      if (end == std::string::npos) break;
      i = end + 2;
      inComment = false;
      out.push_back(' ');
    } else if (line.compare(i, 2, "//") == 0) {
      break;
    } else if (line.compare(i, 2, "/*") == 0) {
      inComment = true;
      i += 2;
    } else if (line[i] == '"') {
      // Up to the closing quote; "" and \" stay inside the string.
      out.push_back(line[i++]);
      while (i < line.size()) {
        const char c = line[i++];
        out.push_back(c);
        if (c == '\\' && i < line.size())
          out.push_back(line[i++]);
        else if (c == '"')
          break;
      }
    } else {
      out.push_back(line[i++]);
    }
  }
  return out;
}

std::string ReadName(const std::string &s, size_t &i) {
  while (i < s.size() && IsSpace(s[i])) ++i;
  std::string name;
  while (i < s.size() && IsIdentChar(s[i])) name.push_back(s[i++]);
  return name;
}

bool OnlySpaceFrom(const std::string &s, size_t i) { return s.find_first_not_of(" \t\f\v\r", i) == std::string::npos; }

}  // namespace

std::vector<Token> Preprocessor::Run(const std::string &text) {
  if (text.size() >= 2 && ((text[0] == '\xFF' && text[1] == '\xFE') || (text[0] == '\xFE' && text[1] == '\xFF')))
    source_.Fail(1, 0, "the script is UTF-16; save it as UTF-8");
  ReadFile(text, 0, 0);
  return std::move(out_);
}

void Preprocessor::ReadFile(const std::string &text, int file, int depth) {
  std::vector<Condition> conditions;
  bool inComment = false;
  int commentLine = 0;
  size_t pos = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;  // a byte order mark
  for (int line = 1; pos <= text.size(); ++line) {
    size_t nl = text.find('\n', pos);
    if (nl == std::string::npos) nl = text.size();
    const bool wasInComment = inComment;
    const std::string code = StripComments(text.substr(pos, nl - pos), inComment);
    if (inComment && !wasInComment) commentLine = line;
    pos = nl + 1;
    const bool active = conditions.empty() || conditions.back().active;
    const size_t first = code.find_first_not_of(" \t\f\v\r");
    if (first != std::string::npos && code[first] == '#') {
      Directive(code.substr(first + 1), line, file, depth, conditions);
    } else if (active) {
      std::vector<Token> raw;
      Lexer(source_, line, file).Lex(code, raw);
      for (const Token &t : raw) {
        std::vector<std::string> expanding;
        Expand(t, expanding);
      }
    }
  }
  if (!conditions.empty()) source_.Fail(conditions.back().line, file, "#ifdef or #ifndef without #endif");
  if (inComment) source_.Fail(commentLine, file, "/* comment without */");
}

void Preprocessor::Expand(const Token &t, std::vector<std::string> &expanding) {
  if (t.kind == Kind::Name) {
    auto it = macros_.find(t.text);
    if (it != macros_.end() && std::find(expanding.begin(), expanding.end(), t.text) == expanding.end()) {
      expanding.push_back(t.text);
      for (Token b : it->second) {
        b.line = t.line;
        b.file = t.file;
        Expand(b, expanding);
      }
      expanding.pop_back();
      return;
    }
  }
  if (out_.size() >= kMaxExpansion) source_.Fail(t.line, t.file, "the script expands to too many tokens");
  out_.push_back(t);
}

void Preprocessor::Directive(const std::string &text, int line, int file, int depth,
                             std::vector<Condition> &conditions) {
  auto fail = [&](const std::string &message) { source_.Fail(line, file, message); };
  size_t i = 0;
  const std::string name = ReadName(text, i);
  const bool active = conditions.empty() || conditions.back().active;

  if (name == "ifdef" || name == "ifndef") {
    const std::string macro = ReadName(text, i);
    if (macro.empty() || !OnlySpaceFrom(text, i)) fail("#" + name + " takes one name");
    const bool defined = macros_.count(macro) != 0;
    conditions.push_back(Condition{active && defined == (name == "ifdef"), active, false, line});
    return;
  }
  if (name == "else" || name == "endif") {
    if (conditions.empty()) fail("#" + name + " without #ifdef or #ifndef");
    if (!OnlySpaceFrom(text, i)) fail("#" + name + " takes nothing after it");
    Condition &c = conditions.back();
    if (name == "endif") {
      conditions.pop_back();
    } else {
      if (c.sawElse) fail("#else after #else");
      c.sawElse = true;
      c.active = c.parentActive && !c.active;
    }
    return;
  }
  if (name == "define") {
    if (!active) return;
    const std::string macro = ReadName(text, i);
    if (macro.empty()) fail("#define without a name");
    if (i < text.size() && text[i] == '(') fail("#define " + macro + "(...): macros with parameters are not supported");
    std::vector<Token> body;
    Lexer(source_, line, file).Lex(text.substr(i), body);
    macros_[macro] = std::move(body);
    return;
  }
  if (name == "include") {
    if (!active) return;
    while (i < text.size() && IsSpace(text[i])) ++i;
    const char open = i < text.size() ? text[i] : '\0';
    if (open != '"' && open != '<') fail("#include needs a file name in quotes or <>");
    const size_t end = text.find(open == '"' ? '"' : '>', i + 1);
    if (end == std::string::npos || !OnlySpaceFrom(text, end + 1)) fail("#include file name not closed");
    const std::string target = text.substr(i + 1, end - i - 1);
    auto it = includes_.find(target);
    if (it == includes_.end()) {
      if (open == '<') return;  // a system header, such as <windows.h>
      fail("#include \"" + target + "\": no such file was handed in");
    }
    if (depth >= kMaxIncludeDepth) fail("#include nested too deeply at \"" + target + "\"");
    ReadFile(it->second, source_.Add(target), depth + 1);
    return;
  }
  if (name == "pragma") {
    if (!active) return;
    std::vector<Token> args;
    Lexer(source_, line, file).Lex(text.substr(i), args);
    const bool utf8 = args.size() == 4 && args[0].kind == Kind::Name && args[0].text == "code_page" &&
                      args[1].text == "(" && args[2].kind == Kind::Number && args[2].number == 65001 &&
                      args[3].text == ")";
    if (!utf8) fail("only #pragma code_page(65001) is supported: the script is read as UTF-8");
    return;
  }
  fail("unsupported directive #" + name);
}

}  // namespace winsim::rc
