// The statement parser of a resource script: id TYPE ... statements, read
// from the preprocessed tokens into a Script. Each statement type is read in
// its own file (menu.cpp, accelerators.cpp, dialog.cpp, version.cpp).
#ifndef WINSIM_RC_PARSER_H
#define WINSIM_RC_PARSER_H

#include "rc/source.h"
#include "rc/token.h"
#include "rc_script.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace winsim::rc {

class Parser {
 public:
  Parser(const Source &source, std::vector<Token> toks);

  Script Run();

 private:
  static constexpr int kMaxDepth = 64;  // nested parentheses, popups and blocks

  // ----- token access

  const Token &Peek(size_t ahead = 0) const { return toks_[std::min(pos_ + ahead, toks_.size() - 1)]; }
  const Token &Next() {
    const Token &t = toks_[pos_];
    if (pos_ + 1 < toks_.size()) ++pos_;
    return t;
  }
  static bool IsWord(const Token &t, const char *kw) { return t.kind == Kind::Name && t.text == kw; }
  static bool IsPunct(const Token &t, const char *p) { return t.kind == Kind::Punct && t.text == p; }

  static std::string Describe(const Token &t) {
    switch (t.kind) {
      case Kind::End:
        return "end of file";
      case Kind::String:
        return "string \"" + t.text + "\"";
      default:
        return "'" + t.text + "'";
    }
  }

  [[noreturn]] void Fail(const Token &at, const std::string &message) const { source_.Fail(at.line, at.file, message); }

  bool Accept(const char *punct) {
    if (!IsPunct(Peek(), punct)) return false;
    Next();
    return true;
  }
  void Expect(const char *punct, const char *what) {
    if (!Accept(punct)) Fail(Peek(), std::string("expected '") + punct + "' " + what + ", found " + Describe(Peek()));
  }
  void ExpectWord(const char *word, const char *what) {
    if (!IsWord(Peek(), word))
      Fail(Peek(), std::string("expected ") + word + " " + what + ", found " + Describe(Peek()));
    Next();
  }
  // One string, or several written next to each other, joined.
  std::wstring ExpectString(const char *what) {
    if (Peek().kind != Kind::String)
      Fail(Peek(), std::string("expected a string ") + what + ", found " + Describe(Peek()));
    std::wstring s;
    while (Peek().kind == Kind::String) s += Next().wide;
    return s;
  }

  struct DepthGuard {
    explicit DepthGuard(Parser &p) : parser(p) {
      if (++parser.depth_ > kMaxDepth) parser.Fail(parser.Peek(), "nested too deeply");
    }
    ~DepthGuard() { --parser.depth_; }
    Parser &parser;
  };

  // ----- numbers: terms joined by |

  uint32_t Expr();
  uint32_t Term();
  int IntExpr();
  // A number, then a comma unless it is the last of a list.
  int Item(const char *after);

  // ----- statements: id TYPE ...

  void Statement();

  // ----- LANGUAGE primary, sub

  // Reads the two numbers after the keyword into a language id.
  WORD Language();
  // A LANGUAGE statement in a resource's header: the resource's own
  // language. Returns false when the next token is not one.
  bool AcceptResourceLanguage();
  // Keeps a resource under its id and its language (the header's, else the
  // current one); a second one of the same type, id and language is an error.
  template <typename T>
  void Keep(std::map<int, ByLanguage<T>> &resources, int id, T resource, const Token &type) {
    const WORD language = resourceLanguage_ ? *resourceLanguage_ : language_;
    if (!resources[id].emplace(language, std::move(resource)).second)
      Fail(type, "a second " + type.text + " " + std::to_string(id) + " in language " + LanguageName(language));
  }
  static std::string LanguageName(WORD language);

  // ----- MENU (menu.cpp)

  std::vector<MenuItem> Menu();
  std::vector<MenuItem> MenuItems();

  // ----- ACCELERATORS (accelerators.cpp)

  std::vector<Accelerator> Accelerators();
  // "c", cmd [, options] or key, cmd, ASCII|VIRTKEY [, options]
  Accelerator AcceleratorEntry();

  // ----- DIALOGEX (dialog.cpp)

  Dialog DialogEx();
  // KEYWORD "text", id, x, y, cx, cy [, style [, exstyle]]
  // ICON icon, id, x, y [, cx, cy [, style [, exstyle]]]
  DialogControl Control();

  // ----- VERSIONINFO (version.cpp)

  VersionInfo Version();
  // The inside of a block, after its BEGIN: BLOCK "name" BEGIN ... END and
  // VALUE "key", value [, value]... lines, up to END.
  void VersionBlock(VersionInfo &v, const std::wstring &parent);

  const Source &source_;
  std::vector<Token> toks_;
  size_t pos_ = 0;
  int depth_ = 0;
  WORD language_ = kDefaultResourceLanguage;  // set by the last LANGUAGE between resources
  std::optional<WORD> resourceLanguage_;      // the statement's own, from its header
  Script script_;
};

}  // namespace winsim::rc

#endif
