// The statement parser's numbers and the dispatch of a statement on its
// resource type.
#include "rc/parser.h"

#include "rc/names.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace winsim::rc {

Parser::Parser(const Source &source, std::vector<Token> toks) : source_(source), toks_(std::move(toks)) {
  Token end;
  end.line = toks_.empty() ? 1 : toks_.back().line;
  end.file = toks_.empty() ? 0 : toks_.back().file;
  toks_.push_back(end);
}

Script Parser::Run() {
  while (Peek().kind != Kind::End) Statement();
  return std::move(script_);
}

uint32_t Parser::Expr() {
  uint32_t v = Term();
  while (Accept("|")) v |= Term();
  return v;
}

uint32_t Parser::Term() {
  DepthGuard guard(*this);
  const Token &t = Peek();
  if (Accept("-")) return 0u - Term();
  if (Accept("(")) {
    const uint32_t v = Expr();
    Expect(")", "to close the parenthesis");
    return v;
  }
  if (t.kind == Kind::Number) return Next().number;
  if (t.kind == Kind::Name) {
    if (const DWORD *v = PlatformConstant(t.text)) {
      Next();
      return *v;
    }
    Fail(t, "unknown name '" + t.text + "'");
  }
  Fail(t, "expected a number, found " + Describe(t));
}

int Parser::IntExpr() { return static_cast<int32_t>(Expr()); }

int Parser::Item(const char *after) {
  const int v = IntExpr();
  Expect(",", after);
  return v;
}

WORD Parser::Language() {
  const Token &at = Peek();
  const uint32_t primary = Expr();
  Expect(",", "after the primary language");
  const uint32_t sub = Expr();
  if (primary > 0x3ff || sub > 0x3f)
    Fail(at, "LANGUAGE " + std::to_string(primary) + ", " + std::to_string(sub) +
                 " is no language (primary up to 0x3ff, sublanguage up to 0x3f)");
  return MAKELANGID(primary, sub);
}

bool Parser::AcceptResourceLanguage() {
  if (!IsWord(Peek(), "LANGUAGE")) return false;
  Next();
  resourceLanguage_ = Language();
  return true;
}

std::string Parser::LanguageName(WORD language) {
  static const char kDigits[] = "0123456789abcdef";
  std::string name = "0x";
  for (int shift = 12; shift >= 0; shift -= 4) name += kDigits[(language >> shift) & 0xf];
  return name;
}

void Parser::Statement() {
  resourceLanguage_.reset();
  if (IsWord(Peek(), "LANGUAGE")) {
    Next();
    language_ = Language();
    return;
  }
  const Token idToken = Peek();
  if (idToken.kind != Kind::Number && !IsPunct(idToken, "(") &&
      !(idToken.kind == Kind::Name && PlatformConstant(idToken.text)))
    Fail(idToken, "expected a resource id (a number or a defined name), found " + Describe(idToken));
  const int id = static_cast<WORD>(Expr());
  const Token type = Peek();
  if (IsWord(type, "MENU")) {
    Next();
    Keep(script_.menus, id, Menu(), type);
  } else if (IsWord(type, "ACCELERATORS")) {
    Next();
    Keep(script_.accelerators, id, Accelerators(), type);
  } else if (IsWord(type, "DIALOGEX")) {
    Next();
    Keep(script_.dialogs, id, DialogEx(), type);
  } else if (IsWord(type, "ICON")) {
    Next();
    if (Peek().kind != Kind::String) Fail(Peek(), "expected the icon's file name, found " + Describe(Peek()));
    Keep(script_.icons, id, Next().text, type);
  } else if (IsWord(type, "VERSIONINFO")) {
    Next();
    if (script_.version) Fail(type, "a second VERSIONINFO");
    script_.version = Version();
  } else {
    Fail(type, "unsupported resource type " + Describe(type) +
                   " (MENU, ACCELERATORS, DIALOGEX, ICON and VERSIONINFO are read)");
  }
}

}  // namespace winsim::rc
