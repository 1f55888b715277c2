// Reader for a module's resource script: a line-based preprocessor that
// expands object-like macros, then a parser for the statements the
// program's script uses (see rc_script.h for the accepted subset).
#include "rc_script.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace winsim::rc {

ParseError::ParseError(int line, const std::string &what)
    : std::runtime_error("line " + std::to_string(line) + ": " + what), line(line) {}

namespace {

// ---------------------------------------------------------------------------
// Names the platform's headers give a script. <windows.h> is not read; its
// constants come from this table. IDC_STATIC is not among them: as with
// mingw-w64's headers, the script's own header defines it.

struct NamedValue {
  const char *name;
  DWORD value;
};

#define RC_NAMED(n) {#n, static_cast<DWORD>(n)}
const NamedValue kPlatformConstants[] = {
    RC_NAMED(WS_OVERLAPPED), RC_NAMED(WS_POPUP), RC_NAMED(WS_CHILD), RC_NAMED(WS_VISIBLE),
    RC_NAMED(WS_DISABLED), RC_NAMED(WS_CLIPSIBLINGS), RC_NAMED(WS_CLIPCHILDREN), RC_NAMED(WS_CAPTION),
    RC_NAMED(WS_BORDER), RC_NAMED(WS_DLGFRAME), RC_NAMED(WS_SYSMENU), RC_NAMED(WS_THICKFRAME),
    RC_NAMED(WS_GROUP), RC_NAMED(WS_TABSTOP), RC_NAMED(WS_MINIMIZEBOX), RC_NAMED(WS_MAXIMIZEBOX),
    RC_NAMED(WS_OVERLAPPEDWINDOW), RC_NAMED(WS_POPUPWINDOW),

    RC_NAMED(WS_EX_DLGMODALFRAME), RC_NAMED(WS_EX_TOPMOST), RC_NAMED(WS_EX_TOOLWINDOW),
    RC_NAMED(WS_EX_WINDOWEDGE), RC_NAMED(WS_EX_CLIENTEDGE), RC_NAMED(WS_EX_CONTROLPARENT),
    RC_NAMED(WS_EX_STATICEDGE), RC_NAMED(WS_EX_APPWINDOW),

    RC_NAMED(DS_SETFONT), RC_NAMED(DS_MODALFRAME), RC_NAMED(DS_FIXEDSYS), RC_NAMED(DS_CENTER),
    RC_NAMED(DS_SHELLFONT),

    RC_NAMED(SS_LEFT), RC_NAMED(SS_CENTER), RC_NAMED(SS_RIGHT), RC_NAMED(SS_ICON), RC_NAMED(SS_NOPREFIX),
    RC_NAMED(SS_CENTERIMAGE),

    RC_NAMED(BS_PUSHBUTTON), RC_NAMED(BS_DEFPUSHBUTTON),

    RC_NAMED(IDOK), RC_NAMED(IDCANCEL), RC_NAMED(IDYES), RC_NAMED(IDNO),

    RC_NAMED(VS_FF_DEBUG), RC_NAMED(VS_FF_PRERELEASE), RC_NAMED(VS_FF_PATCHED), RC_NAMED(VS_FF_PRIVATEBUILD),
    RC_NAMED(VS_FF_INFOINFERRED), RC_NAMED(VS_FF_SPECIALBUILD), RC_NAMED(VS_FFI_FILEFLAGSMASK),
    RC_NAMED(VOS_UNKNOWN), RC_NAMED(VOS_NT), RC_NAMED(VOS__WINDOWS32), RC_NAMED(VOS_NT_WINDOWS32),
    RC_NAMED(VFT_UNKNOWN), RC_NAMED(VFT_APP), RC_NAMED(VFT_DLL), RC_NAMED(VFT2_UNKNOWN),
};
#undef RC_NAMED

const DWORD *PlatformConstant(const std::string &name) {
  for (const NamedValue &nv : kPlatformConstants)
    if (name == nv.name) return &nv.value;
  return nullptr;
}

bool IsIdentStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsIdentChar(char c) { return IsIdentStart(c) || IsDigit(c); }
bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }

// ---------------------------------------------------------------------------
// Tokens

enum class Kind { End, Name, Number, String, Punct };

struct Token {
  Kind kind = Kind::End;
  std::string text;     // as written (a string's text without its quotes)
  std::wstring wide;    // a string's value
  uint32_t number = 0;  // a number's value
  int line = 0;
  int file = 0;  // index into the names of the files read; 0 is the script itself
};

// Where reading is, for error messages: the names of the files read.
class Source {
 public:
  int Add(const std::string &name) {
    files_.push_back(name);
    return static_cast<int>(files_.size()) - 1;
  }
  [[noreturn]] void Fail(int line, int file, const std::string &message) const {
    if (file > 0) throw ParseError(line, files_[static_cast<size_t>(file)] + ": " + message);
    throw ParseError(line, message);
  }

 private:
  std::vector<std::string> files_{""};
};

// Splits one line of comment-free text into tokens.
class Lexer {
 public:
  Lexer(const Source &source, int line, int file) : source_(source), line_(line), file_(file) {}

  void Lex(const std::string &s, std::vector<Token> &out) const {
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

 private:
  [[noreturn]] void Fail(const std::string &message) const { source_.Fail(line_, file_, message); }

  Token Make(Kind kind) const {
    Token t;
    t.kind = kind;
    t.line = line_;
    t.file = file_;
    return t;
  }

  // Decimal or 0x hexadecimal, with an optional L or U suffix; the value
  // wraps to 32 bits, as the resource compiler's arithmetic does.
  Token LexNumber(const std::string &s, size_t &i) const {
    Token t = Make(Kind::Number);
    const size_t start = i;
    const bool hex = s[i] == '0' && i + 1 < s.size() && (s[i + 1] == 'x' || s[i + 1] == 'X');
    if (hex) i += 2;
    size_t digits = 0;
    for (; i < s.size(); ++i, ++digits) {
      const char c = s[i];
      uint32_t d;
      if (IsDigit(c)) d = static_cast<uint32_t>(c - '0');
      else if (hex && c >= 'a' && c <= 'f') d = static_cast<uint32_t>(c - 'a' + 10);
      else if (hex && c >= 'A' && c <= 'F') d = static_cast<uint32_t>(c - 'A' + 10);
      else break;
      t.number = t.number * (hex ? 16 : 10) + d;
    }
    while (i < s.size() && (s[i] == 'L' || s[i] == 'l' || s[i] == 'U' || s[i] == 'u')) ++i;
    bool malformed = digits == 0;
    for (; i < s.size() && IsIdentChar(s[i]); ++i) malformed = true;
    t.text = s.substr(start, i - start);
    if (malformed) Fail("malformed number '" + t.text + "'");
    return t;
  }

  // Decodes one UTF-8 sequence at s[i] into a code point.
  char32_t DecodeUtf8(const std::string &s, size_t &i) const {
    const unsigned char b0 = static_cast<unsigned char>(s[i]);
    int extra = 0;
    char32_t cp = b0;
    if (b0 >= 0x80) {
      if ((b0 & 0xE0) == 0xC0) extra = 1, cp = b0 & 0x1F;
      else if ((b0 & 0xF0) == 0xE0) extra = 2, cp = b0 & 0x0F;
      else if ((b0 & 0xF8) == 0xF0) extra = 3, cp = b0 & 0x07;
      else Fail("invalid UTF-8 in string");
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

  // s[i] is the opening quote. A doubled quote stands for one quote.
  Token LexString(const std::string &s, size_t &i) const {
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
        case 'n': t.wide.push_back(L'\n'); break;
        case 't': t.wide.push_back(L'\t'); break;
        case '\\': t.wide.push_back(L'\\'); break;
        case '"': t.wide.push_back(L'"'); break;
        default: Fail(std::string("unsupported escape '\\") + (e ? std::string(1, e) : "") + "' in string");
      }
      i += 2;
    }
    t.text = s.substr(start, i - start);
    ++i;
    return t;
  }

  const Source &source_;
  int line_;
  int file_;
};

// ---------------------------------------------------------------------------
// Preprocessor: the script's tokens, with macros expanded and the lines of
// false conditionals left out.

class Preprocessor {
 public:
  Preprocessor(Source &source, const std::map<std::string, std::string> &includes)
      : source_(source), includes_(includes) {}

  std::vector<Token> Run(const std::string &text) {
    if (text.size() >= 2 && ((text[0] == '\xFF' && text[1] == '\xFE') || (text[0] == '\xFE' && text[1] == '\xFF')))
      source_.Fail(1, 0, "the script is UTF-16; save it as UTF-8");
    ReadFile(text, 0, 0);
    return std::move(out_);
  }

 private:
  struct Condition {
    bool active;        // the lines under it are read
    bool parentActive;  // the enclosing lines were being read
    bool sawElse;
    int line;
  };

  static constexpr int kMaxIncludeDepth = 8;
  static constexpr size_t kMaxExpansion = 1 << 16;

  void ReadFile(const std::string &text, int file, int depth) {
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

  // Replaces comments by a space, leaving strings alone. inComment carries
  // a /* comment that is still open at the end of the line.
  static std::string StripComments(const std::string &line, bool &inComment) {
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
          if (c == '\\' && i < line.size()) out.push_back(line[i++]);
          else if (c == '"') break;
        }
      } else {
        out.push_back(line[i++]);
      }
    }
    return out;
  }

  // A macro is not expanded again inside its own expansion, as in C.
  void Expand(const Token &t, std::vector<std::string> &expanding) {
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

  static std::string ReadName(const std::string &s, size_t &i) {
    while (i < s.size() && IsSpace(s[i])) ++i;
    std::string name;
    while (i < s.size() && IsIdentChar(s[i])) name.push_back(s[i++]);
    return name;
  }

  static bool OnlySpaceFrom(const std::string &s, size_t i) {
    return s.find_first_not_of(" \t\f\v\r", i) == std::string::npos;
  }

  void Directive(const std::string &text, int line, int file, int depth, std::vector<Condition> &conditions) {
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
      if (i < text.size() && text[i] == '(')
        fail("#define " + macro + "(...): macros with parameters are not supported");
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

  Source &source_;
  const std::map<std::string, std::string> &includes_;
  std::map<std::string, std::vector<Token>> macros_;
  std::vector<Token> out_;
};

// ---------------------------------------------------------------------------
// Statement parser

struct ControlKind {
  const char *keyword;
  const wchar_t *className;
  DWORD style;  // besides WS_CHILD | WS_VISIBLE
};

const ControlKind kControlKinds[] = {
    {"LTEXT", L"STATIC", static_cast<DWORD>(SS_LEFT | WS_GROUP)},
    {"CTEXT", L"STATIC", static_cast<DWORD>(SS_CENTER | WS_GROUP)},
    {"RTEXT", L"STATIC", static_cast<DWORD>(SS_RIGHT | WS_GROUP)},
    {"PUSHBUTTON", L"BUTTON", static_cast<DWORD>(BS_PUSHBUTTON | WS_TABSTOP)},
    {"DEFPUSHBUTTON", L"BUTTON", static_cast<DWORD>(BS_DEFPUSHBUTTON | WS_TABSTOP)},
    {"ICON", L"STATIC", static_cast<DWORD>(SS_ICON)},
};

class Parser {
 public:
  Parser(const Source &source, std::vector<Token> toks) : source_(source), toks_(std::move(toks)) {
    Token end;
    end.line = toks_.empty() ? 1 : toks_.back().line;
    end.file = toks_.empty() ? 0 : toks_.back().file;
    toks_.push_back(end);
  }

  Script Run() {
    while (Peek().kind != Kind::End) Statement();
    return std::move(script_);
  }

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
      case Kind::End: return "end of file";
      case Kind::String: return "string \"" + t.text + "\"";
      default: return "'" + t.text + "'";
    }
  }

  [[noreturn]] void Fail(const Token &at, const std::string &message) const {
    source_.Fail(at.line, at.file, message);
  }

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

  uint32_t Expr() {
    uint32_t v = Term();
    while (Accept("|")) v |= Term();
    return v;
  }
  uint32_t Term() {
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
  int IntExpr() { return static_cast<int32_t>(Expr()); }
  // A number, then a comma unless it is the last of a list.
  int Item(const char *after) {
    const int v = IntExpr();
    Expect(",", after);
    return v;
  }

  // ----- statements: id TYPE ...

  void Statement() {
    const Token idToken = Peek();
    if (idToken.kind != Kind::Number && !IsPunct(idToken, "(") &&
        !(idToken.kind == Kind::Name && PlatformConstant(idToken.text)))
      Fail(idToken, "expected a resource id (a number or a defined name), found " + Describe(idToken));
    const int id = static_cast<WORD>(Expr());
    const Token type = Peek();
    if (IsWord(type, "MENU")) {
      Next();
      script_.menus[id] = Menu();
    } else if (IsWord(type, "ACCELERATORS")) {
      Next();
      script_.accelerators[id] = Accelerators();
    } else if (IsWord(type, "DIALOGEX")) {
      Next();
      script_.dialogs[id] = DialogEx();
    } else if (IsWord(type, "ICON")) {
      Next();
      if (Peek().kind != Kind::String) Fail(Peek(), "expected the icon's file name, found " + Describe(Peek()));
      script_.icons[id] = Next().text;
    } else if (IsWord(type, "VERSIONINFO")) {
      Next();
      if (script_.version) Fail(type, "a second VERSIONINFO");
      script_.version = Version();
    } else {
      Fail(type, "unsupported resource type " + Describe(type) +
                     " (MENU, ACCELERATORS, DIALOGEX, ICON and VERSIONINFO are read)");
    }
  }

  // ----- MENU

  std::vector<MenuItem> Menu() {
    ExpectWord("BEGIN", "to open the menu");
    return MenuItems();
  }

  std::vector<MenuItem> MenuItems() {
    DepthGuard guard(*this);
    std::vector<MenuItem> items;
    for (;;) {
      const Token &t = Peek();
      if (IsWord(t, "END")) {
        Next();
        return items;
      }
      MenuItem item;
      if (IsWord(t, "MENUITEM")) {
        Next();
        if (IsWord(Peek(), "SEPARATOR")) {
          Next();
          item.flags = MF_SEPARATOR;
        } else {
          item.text = ExpectString("for the menu item");
          Expect(",", "after the menu item's text");
          item.id = static_cast<WORD>(Expr());
        }
      } else if (IsWord(t, "POPUP")) {
        Next();
        item.text = ExpectString("for the popup");
        item.flags = MF_POPUP;
        ExpectWord("BEGIN", "to open the popup");
        item.children = MenuItems();
      } else {
        Fail(t, "expected MENUITEM, POPUP or END in the menu, found " + Describe(t));
      }
      items.push_back(std::move(item));
    }
  }

  // ----- ACCELERATORS

  std::vector<Accelerator> Accelerators() {
    ExpectWord("BEGIN", "to open the accelerator table");
    std::vector<Accelerator> table;
    while (!IsWord(Peek(), "END")) table.push_back(AcceleratorEntry());
    Next();
    return table;
  }

  // "c", cmd [, options] or key, cmd, ASCII|VIRTKEY [, options]
  Accelerator AcceleratorEntry() {
    const Token event = Peek();
    uint32_t key = 0;
    const bool quoted = event.kind == Kind::String;
    if (quoted) {
      Next();
      if (event.wide.size() != 1) Fail(event, "an accelerator's key must be one character, not " + Describe(event));
      key = static_cast<uint32_t>(event.wide[0]);
    } else {
      key = Expr();
    }
    Expect(",", "after the accelerator's key");
    Accelerator acc;
    acc.cmd = static_cast<WORD>(Expr());
    bool ascii = false, virtkey = false;
    while (Accept(",")) {
      const Token &opt = Next();
      if (IsWord(opt, "ASCII")) ascii = true;
      else if (IsWord(opt, "VIRTKEY")) virtkey = true;
      else if (IsWord(opt, "ALT")) acc.fVirt |= FALT;
      else if (IsWord(opt, "SHIFT")) acc.fVirt |= FSHIFT;
      else if (IsWord(opt, "CONTROL")) acc.fVirt |= FCONTROL;
      else Fail(opt, "expected ASCII, VIRTKEY, ALT, SHIFT or CONTROL, found " + Describe(opt));
    }
    if (ascii && virtkey) Fail(event, "an accelerator cannot be both ASCII and VIRTKEY");
    if (!quoted && !ascii && !virtkey) Fail(event, "a numeric accelerator key needs ASCII or VIRTKEY");
    if (virtkey) {
      // A quoted letter names the key, whose code is the upper-case letter's.
      if (quoted && key >= 'a' && key <= 'z') key -= 'a' - 'A';
      acc.fVirt |= FVIRTKEY;
    }
    acc.key = static_cast<WORD>(key);
    return acc;
  }

  // ----- DIALOGEX

  Dialog DialogEx() {
    Dialog d;
    d.x = Item("after the dialog's x");
    d.y = Item("after the dialog's y");
    d.cx = Item("after the dialog's width");
    d.cy = IntExpr();
    bool styleGiven = false, captionGiven = false, fontGiven = false;
    for (;;) {
      const Token &t = Peek();
      if (IsWord(t, "STYLE")) {
        Next();
        d.style = Expr();
        styleGiven = true;
      } else if (IsWord(t, "EXSTYLE")) {
        Next();
        d.exStyle = Expr();
      } else if (IsWord(t, "CAPTION")) {
        Next();
        d.caption = ExpectString("for CAPTION");
        captionGiven = true;
      } else if (IsWord(t, "FONT")) {
        Next();
        d.fontPointSize = Item("after the font's point size");
        d.fontFace = ExpectString("for the font's face name");
        for (int extra = 0; extra < 3 && Accept(","); ++extra) Expr();  // weight, italic, character set
        fontGiven = true;
      } else {
        break;
      }
    }
    // Without STYLE a dialog is a bordered pop-up with a system menu;
    // CAPTION gives it a caption bar and FONT marks that it has a font.
    if (!styleGiven) d.style = static_cast<DWORD>(WS_POPUP | WS_BORDER | WS_SYSMENU);
    if (captionGiven) d.style |= static_cast<DWORD>(WS_CAPTION);
    if (fontGiven) d.style |= static_cast<DWORD>(DS_SETFONT);

    ExpectWord("BEGIN", "to open the dialog's controls");
    while (!IsWord(Peek(), "END")) d.controls.push_back(Control());
    Next();
    return d;
  }

  // KEYWORD "text", id, x, y, cx, cy [, style [, exstyle]]
  // ICON icon, id, x, y [, cx, cy [, style [, exstyle]]]
  DialogControl Control() {
    const Token t = Peek();
    const ControlKind *kind = nullptr;
    for (const ControlKind &k : kControlKinds)
      if (IsWord(t, k.keyword)) kind = &k;
    if (!kind) Fail(t, "expected a control (LTEXT, CTEXT, RTEXT, PUSHBUTTON, DEFPUSHBUTTON, ICON) or END, found " +
                           Describe(t));
    Next();
    DialogControl c;
    c.className = kind->className;
    c.style = static_cast<DWORD>(WS_CHILD | WS_VISIBLE) | kind->style;
    const bool icon = IsWord(t, "ICON");
    if (icon) {
      c.iconId = Item("after the icon");
    } else {
      c.text = ExpectString("for the control's text");
      Expect(",", "after the control's text");
    }
    c.id = Item("after the control's id");
    c.x = Item("after the control's x");
    c.y = IntExpr();
    if (icon && !IsPunct(Peek(), ",")) return c;
    Expect(",", "after the control's y");
    c.cx = Item("after the control's width");
    c.cy = IntExpr();
    if (!Accept(",")) return c;
    c.style |= Expr();
    if (Accept(",")) c.exStyle = Expr();
    return c;
  }

  // ----- VERSIONINFO

  VersionInfo Version() {
    VersionInfo v;
    auto fourParts = [&](WORD (&parts)[4]) {
      for (int k = 0; k < 3; ++k) parts[k] = static_cast<WORD>(Item("between the version's parts"));
      parts[3] = static_cast<WORD>(Expr());
    };
    for (;;) {
      const Token &t = Next();
      if (IsWord(t, "BEGIN")) break;
      if (IsWord(t, "FILEVERSION")) fourParts(v.fileVersion);
      else if (IsWord(t, "PRODUCTVERSION")) fourParts(v.productVersion);
      else if (IsWord(t, "FILEFLAGSMASK")) v.fileFlagsMask = Expr();
      else if (IsWord(t, "FILEFLAGS")) v.fileFlags = Expr();
      else if (IsWord(t, "FILEOS")) v.fileOS = Expr();
      else if (IsWord(t, "FILETYPE")) v.fileType = Expr();
      else if (IsWord(t, "FILESUBTYPE")) v.fileSubtype = Expr();
      else Fail(t, "expected a VERSIONINFO field or BEGIN, found " + Describe(t));
    }
    VersionBlock(v, L"");
    return v;
  }

  // The inside of a block, after its BEGIN: BLOCK "name" BEGIN ... END and
  // VALUE "key", value [, value]... lines, up to END.
  void VersionBlock(VersionInfo &v, const std::wstring &parent) {
    DepthGuard guard(*this);
    for (;;) {
      const Token &t = Next();
      if (IsWord(t, "END")) return;
      if (IsWord(t, "BLOCK")) {
        const std::wstring name = ExpectString("naming the block");
        ExpectWord("BEGIN", "to open the block");
        VersionBlock(v, name);
      } else if (IsWord(t, "VALUE")) {
        const std::wstring key = ExpectString("naming the value");
        Expect(",", "after the value's name");
        if (Peek().kind == Kind::String) {
          v.strings[key] = ExpectString("");
        } else if (parent == L"VarFileInfo" && key == L"Translation") {
          do v.translations.push_back(static_cast<WORD>(Expr()));
          while (Accept(","));
        } else {
          Fail(Peek(), "expected a string for the value, found " + Describe(Peek()));
        }
      } else {
        Fail(t, "expected BLOCK, VALUE or END in VERSIONINFO, found " + Describe(t));
      }
    }
  }

  const Source &source_;
  std::vector<Token> toks_;
  size_t pos_ = 0;
  int depth_ = 0;
  Script script_;
};

}  // namespace

Script ParseScript(const std::string &text, const std::map<std::string, std::string> &includes) {
  Source source;
  std::vector<Token> tokens = Preprocessor(source, includes).Run(text);
  return Parser(source, std::move(tokens)).Run();
}

}  // namespace winsim::rc
