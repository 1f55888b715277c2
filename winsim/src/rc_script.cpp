// Reader for resource scripts: a small C preprocessor (#define, #include of
// the files handed in, #if and friends), then a parser for the MENU,
// ACCELERATORS, DIALOG(EX) and ICON statements. Every other resource
// statement is read past, so a script written for the platform's resource
// compiler can be handed in unchanged.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "rc_script.h"

namespace winsim::rc {

ParseError::ParseError(int line, const std::string &what)
    : std::runtime_error("line " + std::to_string(line) + ": " + what), line(line) {}

namespace {

// ---------------------------------------------------------------------------
// Names the platform headers give a script (windows.h and winres.h are not
// read here; their constants come from this table instead).

struct NamedValue {
  const char *name;
  DWORD value;
};

#define RC_NAMED(n) {#n, static_cast<DWORD>(n)}
const NamedValue kPlatformConstants[] = {
    RC_NAMED(WS_OVERLAPPED), RC_NAMED(WS_POPUP), RC_NAMED(WS_CHILD), RC_NAMED(WS_MINIMIZE),
    RC_NAMED(WS_VISIBLE), RC_NAMED(WS_DISABLED), RC_NAMED(WS_CLIPSIBLINGS), RC_NAMED(WS_CLIPCHILDREN),
    RC_NAMED(WS_MAXIMIZE), RC_NAMED(WS_CAPTION), RC_NAMED(WS_BORDER), RC_NAMED(WS_DLGFRAME),
    RC_NAMED(WS_VSCROLL), RC_NAMED(WS_HSCROLL), RC_NAMED(WS_SYSMENU), RC_NAMED(WS_THICKFRAME),
    RC_NAMED(WS_GROUP), RC_NAMED(WS_TABSTOP), RC_NAMED(WS_MINIMIZEBOX), RC_NAMED(WS_MAXIMIZEBOX),
    RC_NAMED(WS_SIZEBOX), RC_NAMED(WS_OVERLAPPEDWINDOW), RC_NAMED(WS_POPUPWINDOW), RC_NAMED(WS_TILED),
    RC_NAMED(WS_ICONIC), RC_NAMED(WS_CHILDWINDOW), RC_NAMED(WS_TILEDWINDOW),

    RC_NAMED(WS_EX_DLGMODALFRAME), RC_NAMED(WS_EX_NOPARENTNOTIFY), RC_NAMED(WS_EX_TOPMOST),
    RC_NAMED(WS_EX_ACCEPTFILES), RC_NAMED(WS_EX_TRANSPARENT), RC_NAMED(WS_EX_MDICHILD),
    RC_NAMED(WS_EX_TOOLWINDOW), RC_NAMED(WS_EX_WINDOWEDGE), RC_NAMED(WS_EX_CLIENTEDGE),
    RC_NAMED(WS_EX_CONTEXTHELP), RC_NAMED(WS_EX_RIGHT), RC_NAMED(WS_EX_LEFT), RC_NAMED(WS_EX_RTLREADING),
    RC_NAMED(WS_EX_LTRREADING), RC_NAMED(WS_EX_LEFTSCROLLBAR), RC_NAMED(WS_EX_RIGHTSCROLLBAR),
    RC_NAMED(WS_EX_CONTROLPARENT), RC_NAMED(WS_EX_STATICEDGE), RC_NAMED(WS_EX_APPWINDOW),
    RC_NAMED(WS_EX_LAYERED), RC_NAMED(WS_EX_NOINHERITLAYOUT), RC_NAMED(WS_EX_LAYOUTRTL),
    RC_NAMED(WS_EX_COMPOSITED), RC_NAMED(WS_EX_NOACTIVATE), RC_NAMED(WS_EX_OVERLAPPEDWINDOW),
    RC_NAMED(WS_EX_PALETTEWINDOW),

    RC_NAMED(DS_ABSALIGN), RC_NAMED(DS_SYSMODAL), RC_NAMED(DS_3DLOOK), RC_NAMED(DS_FIXEDSYS),
    RC_NAMED(DS_NOFAILCREATE), RC_NAMED(DS_LOCALEDIT), RC_NAMED(DS_SETFONT), RC_NAMED(DS_MODALFRAME),
    RC_NAMED(DS_NOIDLEMSG), RC_NAMED(DS_SETFOREGROUND), RC_NAMED(DS_CONTROL), RC_NAMED(DS_CENTER),
    RC_NAMED(DS_CENTERMOUSE), RC_NAMED(DS_CONTEXTHELP), RC_NAMED(DS_SHELLFONT),

    RC_NAMED(SS_LEFT), RC_NAMED(SS_CENTER), RC_NAMED(SS_RIGHT), RC_NAMED(SS_ICON), RC_NAMED(SS_BLACKRECT),
    RC_NAMED(SS_GRAYRECT), RC_NAMED(SS_WHITERECT), RC_NAMED(SS_BLACKFRAME), RC_NAMED(SS_GRAYFRAME),
    RC_NAMED(SS_WHITEFRAME), RC_NAMED(SS_SIMPLE), RC_NAMED(SS_LEFTNOWORDWRAP), RC_NAMED(SS_BITMAP),
    RC_NAMED(SS_ETCHEDHORZ), RC_NAMED(SS_ETCHEDVERT), RC_NAMED(SS_ETCHEDFRAME), RC_NAMED(SS_NOPREFIX),
    RC_NAMED(SS_NOTIFY), RC_NAMED(SS_CENTERIMAGE), RC_NAMED(SS_RIGHTJUST), RC_NAMED(SS_REALSIZEIMAGE),
    RC_NAMED(SS_SUNKEN), RC_NAMED(SS_ENDELLIPSIS), RC_NAMED(SS_PATHELLIPSIS), RC_NAMED(SS_WORDELLIPSIS),

    RC_NAMED(ES_LEFT), RC_NAMED(ES_CENTER), RC_NAMED(ES_RIGHT), RC_NAMED(ES_MULTILINE),
    RC_NAMED(ES_UPPERCASE), RC_NAMED(ES_LOWERCASE), RC_NAMED(ES_PASSWORD), RC_NAMED(ES_AUTOVSCROLL),
    RC_NAMED(ES_AUTOHSCROLL), RC_NAMED(ES_NOHIDESEL), RC_NAMED(ES_OEMCONVERT), RC_NAMED(ES_READONLY),
    RC_NAMED(ES_WANTRETURN), RC_NAMED(ES_NUMBER),

    RC_NAMED(BS_PUSHBUTTON), RC_NAMED(BS_DEFPUSHBUTTON), RC_NAMED(BS_CHECKBOX), RC_NAMED(BS_AUTOCHECKBOX),
    RC_NAMED(BS_RADIOBUTTON), RC_NAMED(BS_3STATE), RC_NAMED(BS_AUTO3STATE), RC_NAMED(BS_GROUPBOX),
    RC_NAMED(BS_AUTORADIOBUTTON), RC_NAMED(BS_OWNERDRAW), RC_NAMED(BS_LEFTTEXT), RC_NAMED(BS_TEXT),
    RC_NAMED(BS_ICON), RC_NAMED(BS_BITMAP), RC_NAMED(BS_LEFT), RC_NAMED(BS_RIGHT), RC_NAMED(BS_CENTER),
    RC_NAMED(BS_TOP), RC_NAMED(BS_BOTTOM), RC_NAMED(BS_VCENTER), RC_NAMED(BS_PUSHLIKE),
    RC_NAMED(BS_MULTILINE), RC_NAMED(BS_NOTIFY), RC_NAMED(BS_FLAT),

    RC_NAMED(LBS_NOTIFY), RC_NAMED(LBS_SORT), RC_NAMED(LBS_NOINTEGRALHEIGHT), RC_NAMED(CBS_SIMPLE),
    RC_NAMED(CBS_DROPDOWN), RC_NAMED(CBS_DROPDOWNLIST), RC_NAMED(CBS_AUTOHSCROLL), RC_NAMED(CBS_SORT),
    RC_NAMED(SBS_HORZ), RC_NAMED(SBS_VERT),

    RC_NAMED(IDOK), RC_NAMED(IDCANCEL), RC_NAMED(IDABORT), RC_NAMED(IDRETRY), RC_NAMED(IDIGNORE),
    RC_NAMED(IDYES), RC_NAMED(IDNO), RC_NAMED(IDCLOSE), RC_NAMED(IDHELP), RC_NAMED(IDTRYAGAIN),
    RC_NAMED(IDCONTINUE), RC_NAMED(IDC_STATIC),

    RC_NAMED(VK_BACK), RC_NAMED(VK_TAB), RC_NAMED(VK_RETURN), RC_NAMED(VK_SHIFT), RC_NAMED(VK_CONTROL),
    RC_NAMED(VK_MENU), RC_NAMED(VK_ESCAPE), RC_NAMED(VK_SPACE), RC_NAMED(VK_PRIOR), RC_NAMED(VK_NEXT),
    RC_NAMED(VK_END), RC_NAMED(VK_HOME), RC_NAMED(VK_LEFT), RC_NAMED(VK_UP), RC_NAMED(VK_RIGHT),
    RC_NAMED(VK_DOWN), RC_NAMED(VK_INSERT), RC_NAMED(VK_DELETE), RC_NAMED(VK_F1), RC_NAMED(VK_F2),
    RC_NAMED(VK_F3), RC_NAMED(VK_F4), RC_NAMED(VK_F5), RC_NAMED(VK_F6), RC_NAMED(VK_F7), RC_NAMED(VK_F8),
    RC_NAMED(VK_F9), RC_NAMED(VK_F10), RC_NAMED(VK_F11), RC_NAMED(VK_F12),
};
#undef RC_NAMED

std::optional<DWORD> PlatformConstant(const std::string &name) {
  static const std::map<std::string, DWORD> table = [] {
    std::map<std::string, DWORD> m;
    for (const NamedValue &nv : kPlatformConstants) m.emplace(nv.name, nv.value);
    return m;
  }();
  auto it = table.find(name);
  if (it == table.end()) return std::nullopt;
  return it->second;
}

// Keywords compare without regard to case, as the resource compiler reads them.
bool SameWord(const std::string &a, const char *kw) {
  size_t i = 0;
  for (; i < a.size() && kw[i]; ++i) {
    char c = a[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != kw[i]) return false;
  }
  return i == a.size() && kw[i] == '\0';
}

bool IsIdentStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsIdentChar(char c) { return IsIdentStart(c) || IsDigit(c); }
bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }

void AppendCodePoint(std::wstring &out, char32_t cp) {
  if (sizeof(wchar_t) == 2 && cp > 0xFFFF) {  // UTF-16 wchar_t (the Windows build)
    cp -= 0x10000;
    out.push_back(static_cast<wchar_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<wchar_t>(0xDC00 + (cp & 0x3FF)));
  } else {
    out.push_back(static_cast<wchar_t>(cp));
  }
}

std::string ToUtf8(const std::wstring &w) {
  std::string out;
  for (size_t i = 0; i < w.size(); ++i) {
    char32_t cp = static_cast<char32_t>(w[i]);
    if (sizeof(wchar_t) == 2 && cp >= 0xD800 && cp < 0xDC00 && i + 1 < w.size()) {
      char32_t lo = static_cast<char32_t>(w[i + 1]);
      if (lo >= 0xDC00 && lo < 0xE000) {
        cp = 0x10000 + ((cp - 0xD800) << 10) + (lo - 0xDC00);
        ++i;
      }
    }
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

// ---------------------------------------------------------------------------
// Tokens

enum class Kind { End, Name, Number, String, Punct };

struct Token {
  Kind kind = Kind::End;
  std::string text;    // a name or punctuation as written
  std::wstring wide;   // a string's value, escapes resolved
  uint32_t number = 0; // a number's value
  int line = 0;
  int file = 0;        // index into Context::files; 0 is the script itself
};

// The names of the files being read, for error messages.
struct Context {
  std::vector<std::string> files{""};

  [[noreturn]] void Fail(int line, int file, const std::string &message) const {
    if (file > 0 && file < static_cast<int>(files.size())) throw ParseError(line, files[file] + ": " + message);
    throw ParseError(line, message);
  }
};

// Replaces comments by a space, leaving string literals alone. inComment
// carries a /* comment that is still open at the end of the line.
std::string StripComments(const std::string &line, bool &inComment) {
  std::string out;
  out.reserve(line.size());
  size_t i = 0;
  const size_t n = line.size();
  while (i < n) {
    if (inComment) {
      size_t end = line.find("*/", i);
      if (end == std::string::npos) return out;
      i = end + 2;
      inComment = false;
      out.push_back(' ');
      continue;
    }
    char c = line[i];
    if (c == '/' && i + 1 < n && line[i + 1] == '/') return out;
    if (c == '/' && i + 1 < n && line[i + 1] == '*') {
      inComment = true;
      i += 2;
      continue;
    }
    if (c == '"') {
      out.push_back(c);
      ++i;
      while (i < n) {
        char s = line[i];
        out.push_back(s);
        ++i;
        if (s == '\\' && i < n) {
          out.push_back(line[i]);
          ++i;
        } else if (s == '"') {
          break;
        }
      }
      continue;
    }
    out.push_back(c);
    ++i;
  }
  return out;
}

// Splits comment-free text into tokens.
class Lexer {
 public:
  Lexer(const Context &ctx, int file) : ctx_(ctx), file_(file) {}

  void Lex(const std::string &s, int line, std::vector<Token> &out) const {
    size_t i = 0;
    const size_t n = s.size();
    while (i < n) {
      char c = s[i];
      if (IsSpace(c) || c == '\n') {
        ++i;
      } else if (c == 'L' && i + 1 < n && s[i + 1] == '"') {
        ++i;
        out.push_back(LexString(s, i, line, true));
      } else if (c == '"') {
        out.push_back(LexString(s, i, line, false));
      } else if (IsDigit(c)) {
        out.push_back(LexNumber(s, i, line));
      } else if (IsIdentStart(c)) {
        Token t = Make(Kind::Name, line);
        while (i < n && IsIdentChar(s[i])) t.text.push_back(s[i++]);
        out.push_back(std::move(t));
      } else {
        out.push_back(LexPunct(s, i, line));
      }
    }
  }

 private:
  Token Make(Kind kind, int line) const {
    Token t;
    t.kind = kind;
    t.line = line;
    t.file = file_;
    return t;
  }

  Token LexNumber(const std::string &s, size_t &i, int line) const {
    Token t = Make(Kind::Number, line);
    const size_t n = s.size();
    size_t start = i;
    uint32_t value = 0;
    if (s[i] == '0' && i + 1 < n && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
      i += 2;
      size_t digits = 0;
      for (; i < n; ++i, ++digits) {
        char c = s[i];
        uint32_t d;
        if (IsDigit(c)) d = static_cast<uint32_t>(c - '0');
        else if (c >= 'a' && c <= 'f') d = static_cast<uint32_t>(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F') d = static_cast<uint32_t>(c - 'A' + 10);
        else break;
        value = value * 16 + d;  // wraps to 32 bits, as the compiler's arithmetic does
      }
      if (digits == 0) ctx_.Fail(line, file_, "malformed number '" + s.substr(start, i - start) + "'");
    } else {
      for (; i < n && IsDigit(s[i]); ++i) value = value * 10 + static_cast<uint32_t>(s[i] - '0');
    }
    while (i < n && (s[i] == 'L' || s[i] == 'l' || s[i] == 'U' || s[i] == 'u')) ++i;
    if (i < n && IsIdentChar(s[i])) {
      while (i < n && IsIdentChar(s[i])) ++i;
      ctx_.Fail(line, file_, "malformed number '" + s.substr(start, i - start) + "'");
    }
    t.text = s.substr(start, i - start);
    t.number = value;
    return t;
  }

  Token LexPunct(const std::string &s, size_t &i, int line) const {
    static const char *const kTwo[] = {"&&", "||", "==", "!=", "<=", ">=", "<<", ">>"};
    Token t = Make(Kind::Punct, line);
    if (i + 1 < s.size()) {
      for (const char *p : kTwo) {
        if (s[i] == p[0] && s[i + 1] == p[1]) {
          t.text = p;
          i += 2;
          return t;
        }
      }
    }
    const char c = s[i];
    static const std::string kOne = ",|(){}+-*/%&^~!<>";
    if (kOne.find(c) == std::string::npos) {
      char buf[8];
      unsigned code = static_cast<unsigned char>(c);
      const char *hex = "0123456789ABCDEF";
      buf[0] = '0';
      buf[1] = 'x';
      buf[2] = hex[code >> 4];
      buf[3] = hex[code & 15];
      buf[4] = '\0';
      std::string shown = (code >= 0x20 && code < 0x7F) ? std::string("'") + c + "'" : std::string(buf);
      ctx_.Fail(line, file_, "unexpected character " + shown);
    }
    t.text = std::string(1, c);
    ++i;
    return t;
  }

  // Decodes one UTF-8 sequence starting at s[i].
  char32_t DecodeUtf8(const std::string &s, size_t &i, int line) const {
    const unsigned char b0 = static_cast<unsigned char>(s[i]);
    int extra;
    char32_t cp;
    if (b0 < 0x80) {
      ++i;
      return b0;
    } else if ((b0 & 0xE0) == 0xC0) {
      extra = 1;
      cp = b0 & 0x1F;
    } else if ((b0 & 0xF0) == 0xE0) {
      extra = 2;
      cp = b0 & 0x0F;
    } else if ((b0 & 0xF8) == 0xF0) {
      extra = 3;
      cp = b0 & 0x07;
    } else {
      ctx_.Fail(line, file_, "invalid UTF-8 in string");
    }
    if (i + static_cast<size_t>(extra) >= s.size()) ctx_.Fail(line, file_, "invalid UTF-8 in string");
    for (int k = 1; k <= extra; ++k) {
      const unsigned char b = static_cast<unsigned char>(s[i + static_cast<size_t>(k)]);
      if ((b & 0xC0) != 0x80) ctx_.Fail(line, file_, "invalid UTF-8 in string");
      cp = (cp << 6) | (b & 0x3F);
    }
    static const char32_t kMin[] = {0, 0x80, 0x800, 0x10000};
    if (cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp < 0xE000))
      ctx_.Fail(line, file_, "invalid UTF-8 in string");
    i += static_cast<size_t>(extra) + 1;
    return cp;
  }

  // s[i] is the opening quote. A doubled quote stands for one quote, and
  // the usual backslash escapes apply.
  Token LexString(const std::string &s, size_t &i, int line, bool wide) const {
    Token t = Make(Kind::String, line);
    const size_t n = s.size();
    ++i;
    for (;;) {
      if (i >= n) ctx_.Fail(line, file_, "unterminated string");
      const char c = s[i];
      if (c == '"') {
        if (i + 1 < n && s[i + 1] == '"') {
          t.wide.push_back(L'"');
          i += 2;
          continue;
        }
        ++i;
        break;
      }
      if (c != '\\') {
        AppendCodePoint(t.wide, DecodeUtf8(s, i, line));
        continue;
      }
      if (i + 1 >= n) ctx_.Fail(line, file_, "unterminated string");
      const char e = s[i + 1];
      i += 2;
      switch (e) {
        case 'n': t.wide.push_back(L'\n'); break;
        case 't': t.wide.push_back(L'\t'); break;
        case 'r': t.wide.push_back(L'\r'); break;
        // The resource compiler turns \a into a backspace, the character
        // that right-aligns the rest of a menu item's text.
        case 'a': t.wide.push_back(L'\b'); break;
        case 'b': t.wide.push_back(L'\b'); break;
        case 'f': t.wide.push_back(L'\f'); break;
        case 'v': t.wide.push_back(L'\v'); break;
        case '\\': t.wide.push_back(L'\\'); break;
        case '"': t.wide.push_back(L'"'); break;
        case '\'': t.wide.push_back(L'\''); break;
        case '?': t.wide.push_back(L'?'); break;
        case 'x':
        case 'X': {
          const size_t maxDigits = wide ? 4 : 2;
          char32_t v = 0;
          size_t digits = 0;
          for (; digits < maxDigits && i < n; ++digits, ++i) {
            char h = s[i];
            if (IsDigit(h)) v = v * 16 + static_cast<char32_t>(h - '0');
            else if (h >= 'a' && h <= 'f') v = v * 16 + static_cast<char32_t>(h - 'a' + 10);
            else if (h >= 'A' && h <= 'F') v = v * 16 + static_cast<char32_t>(h - 'A' + 10);
            else break;
          }
          if (digits == 0) ctx_.Fail(line, file_, "\\x without hex digits in string");
          AppendCodePoint(t.wide, v);
          break;
        }
        default:
          if (e >= '0' && e <= '7') {
            char32_t v = static_cast<char32_t>(e - '0');
            for (int k = 0; k < 2 && i < n && s[i] >= '0' && s[i] <= '7'; ++k, ++i)
              v = v * 8 + static_cast<char32_t>(s[i] - '0');
            AppendCodePoint(t.wide, v);
          } else {
            // Not an escape: both characters stand as written.
            t.wide.push_back(L'\\');
            i -= 1;
            AppendCodePoint(t.wide, DecodeUtf8(s, i, line));
          }
      }
    }
    t.text = ToUtf8(t.wide);
    return t;
  }

  const Context &ctx_;
  int file_;
};

// ---------------------------------------------------------------------------
// Preprocessor: produces the script's tokens with macros expanded and the
// lines of false conditionals left out.

class Preprocessor {
 public:
  Preprocessor(Context &ctx, const std::map<std::string, std::string> &includes) : ctx_(ctx), includes_(includes) {}

  std::vector<Token> Run(const std::string &text) {
    if (text.size() >= 2 && ((text[0] == '\xFF' && text[1] == '\xFE') || (text[0] == '\xFE' && text[1] == '\xFF')))
      ctx_.Fail(1, 0, "the script is UTF-16; save it as UTF-8");
    ProcessFile(text, 0, 0);
    return std::move(out_);
  }

 private:
  struct Macro {
    bool functionLike = false;
    std::vector<Token> body;
  };
  struct Cond {
    bool active;        // lines under it are read
    bool parentActive;  // the enclosing region was being read
    bool taken;         // a branch of this #if has been read (or none may be)
    bool sawElse;
    int line;
    int file;
  };

  static constexpr int kMaxIncludeDepth = 32;
  static constexpr size_t kMaxExpansion = 1 << 16;

  bool Active() const { return conds_.empty() || conds_.back().active; }

  void ProcessFile(const std::string &text, int file, int depth) {
    size_t start = 0;
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) start = 3;  // byte order mark
    std::vector<std::string> lines;
    for (size_t pos = start;;) {
      size_t nl = text.find('\n', pos);
      if (nl == std::string::npos) {
        lines.push_back(text.substr(pos));
        break;
      }
      lines.push_back(text.substr(pos, nl - pos));
      pos = nl + 1;
    }
    for (std::string &l : lines)
      if (!l.empty() && l.back() == '\r') l.pop_back();

    const size_t condBase = conds_.size();
    bool inComment = false;
    Lexer lexer(ctx_, file);
    for (size_t idx = 0; idx < lines.size(); ++idx) {
      const int lineNo = static_cast<int>(idx) + 1;
      if (!inComment) {
        size_t first = lines[idx].find_first_not_of(" \t\f\v");
        if (first != std::string::npos && lines[idx][first] == '#') {
          // A directive, joined with the lines its trailing backslashes continue onto.
          std::string raw = lines[idx].substr(first + 1);
          while (!raw.empty() && raw.back() == '\\' && idx + 1 < lines.size()) {
            raw.pop_back();
            raw += lines[++idx];
          }
          Directive(StripComments(raw, inComment), lineNo, file, depth);
          continue;
        }
      }
      std::string code = StripComments(lines[idx], inComment);
      if (!Active()) continue;
      std::vector<Token> raw;
      lexer.Lex(code, lineNo, raw);
      for (const Token &t : raw) Emit(t, out_);
    }
    if (conds_.size() > condBase) {
      const Cond &open = conds_[condBase];
      ctx_.Fail(open.line, open.file, "#if without #endif");
    }
  }

  void Emit(const Token &t, std::vector<Token> &out) {
    std::vector<std::string> expanding;
    size_t produced = 0;
    Expand(t, t.line, t.file, out, expanding, produced);
  }

  // Object-like macros expand recursively; a macro is not expanded again
  // inside its own expansion, as in C.
  void Expand(const Token &t, int line, int file, std::vector<Token> &out, std::vector<std::string> &expanding,
              size_t &produced) {
    if (t.kind == Kind::Name) {
      auto it = macros_.find(t.text);
      if (it != macros_.end() && !it->second.functionLike) {
        bool busy = false;
        for (const std::string &e : expanding) busy = busy || e == t.text;
        if (!busy) {
          expanding.push_back(t.text);
          for (const Token &b : it->second.body) Expand(b, line, file, out, expanding, produced);
          expanding.pop_back();
          return;
        }
      }
    }
    if (++produced > kMaxExpansion) ctx_.Fail(line, file, "macro expansion of '" + t.text + "' is too large");
    Token copy = t;
    copy.line = line;
    copy.file = file;
    out.push_back(std::move(copy));
  }

  static std::string ReadName(const std::string &s, size_t &i) {
    while (i < s.size() && IsSpace(s[i])) ++i;
    std::string name;
    while (i < s.size() && IsIdentChar(s[i])) name.push_back(s[i++]);
    return name;
  }

  void Directive(const std::string &text, int line, int file, int depth) {
    size_t i = 0;
    const std::string name = ReadName(text, i);
    const std::string rest = text.substr(i);

    if (name == "if" || name == "ifdef" || name == "ifndef") {
      Cond c{false, Active(), true, false, line, file};
      if (c.parentActive) {
        bool value;
        if (name == "if") {
          value = EvalCondition(rest, line, file);
        } else {
          size_t j = 0;
          std::string macro = ReadName(rest, j);
          if (macro.empty()) ctx_.Fail(line, file, "#" + name + " without a name");
          value = macros_.count(macro) != 0;
          if (name == "ifndef") value = !value;
        }
        c.active = value;
        c.taken = value;
      }
      conds_.push_back(c);
      return;
    }
    if (name == "elif" || name == "else" || name == "endif") {
      if (conds_.empty() || conds_.back().file != file) ctx_.Fail(line, file, "#" + name + " without #if");
      Cond &c = conds_.back();
      if (name == "endif") {
        conds_.pop_back();
        return;
      }
      if (c.sawElse) ctx_.Fail(line, file, "#" + name + " after #else");
      if (name == "else") {
        c.sawElse = true;
        c.active = c.parentActive && !c.taken;
        c.taken = true;
      } else if (!c.parentActive || c.taken) {
        c.active = false;
      } else {
        c.active = EvalCondition(rest, line, file);
        c.taken = c.active;
      }
      return;
    }
    if (!Active()) return;

    if (name == "define") {
      size_t j = 0;
      const std::string macro = ReadName(rest, j);
      if (macro.empty()) ctx_.Fail(line, file, "#define without a name");
      Macro m;
      if (j < rest.size() && rest[j] == '(') {
        // Function-like macros are known to #ifdef but not expanded.
        m.functionLike = true;
      } else {
        Lexer(ctx_, file).Lex(rest.substr(j), line, m.body);
      }
      macros_[macro] = std::move(m);
    } else if (name == "undef") {
      size_t j = 0;
      const std::string macro = ReadName(rest, j);
      if (macro.empty()) ctx_.Fail(line, file, "#undef without a name");
      macros_.erase(macro);
    } else if (name == "include") {
      size_t j = rest.find_first_not_of(" \t");
      if (j == std::string::npos) ctx_.Fail(line, file, "#include without a file name");
      const char open = rest[j];
      if (open != '"' && open != '<') return;  // a macro naming the file: nothing we can supply
      const char close = open == '"' ? '"' : '>';
      size_t end = rest.find(close, j + 1);
      if (end == std::string::npos) ctx_.Fail(line, file, "#include file name not closed");
      const std::string target = rest.substr(j + 1, end - j - 1);
      auto it = includes_.find(target);
      if (it == includes_.end()) return;  // a system header, such as <windows.h>
      if (depth + 1 > kMaxIncludeDepth) ctx_.Fail(line, file, "#include nested too deeply at \"" + target + "\"");
      ctx_.files.push_back(target);
      ProcessFile(it->second, static_cast<int>(ctx_.files.size()) - 1, depth + 1);
    } else if (name == "error") {
      ctx_.Fail(line, file, "#error" + rest);
    }
    // #pragma (code_page and the rest), #line, #warning and the null
    // directive change nothing that is read here.
  }

  // ----- #if expressions, with C's operators and signed arithmetic

  bool EvalCondition(const std::string &text, int line, int file) {
    std::vector<Token> raw;
    Lexer(ctx_, file).Lex(text, line, raw);
    std::vector<Token> toks;
    for (size_t i = 0; i < raw.size(); ++i) {
      if (raw[i].kind == Kind::Name && raw[i].text == "defined") {
        size_t j = i + 1;
        const bool paren = j < raw.size() && raw[j].kind == Kind::Punct && raw[j].text == "(";
        if (paren) ++j;
        if (j >= raw.size() || raw[j].kind != Kind::Name) ctx_.Fail(line, file, "defined without a name");
        Token v = raw[j];
        v.kind = Kind::Number;
        v.number = macros_.count(raw[j].text) ? 1 : 0;
        if (paren) {
          ++j;
          if (j >= raw.size() || raw[j].kind != Kind::Punct || raw[j].text != ")")
            ctx_.Fail(line, file, "defined( without ')'");
        }
        toks.push_back(v);
        i = j;
        continue;
      }
      Emit(raw[i], toks);
    }
    if (toks.empty()) ctx_.Fail(line, file, "#if without a condition");
    size_t pos = 0;
    int64_t v = CondBinary(toks, pos, 0, line, file, 0);
    if (pos != toks.size()) ctx_.Fail(line, file, "unexpected '" + toks[pos].text + "' in #if");
    return v != 0;
  }

  static int Precedence(const Token &t) {
    if (t.kind != Kind::Punct) return -1;
    static const std::map<std::string, int> prec = {
        {"||", 1}, {"&&", 2}, {"|", 3}, {"^", 4}, {"&", 5}, {"==", 6}, {"!=", 6}, {"<", 7}, {">", 7},
        {"<=", 7}, {">=", 7}, {"<<", 8}, {">>", 8}, {"+", 9}, {"-", 9}, {"*", 10}, {"/", 10}, {"%", 10}};
    auto it = prec.find(t.text);
    return it == prec.end() ? -1 : it->second;
  }

  int64_t CondBinary(const std::vector<Token> &toks, size_t &pos, int minPrec, int line, int file, int depth) {
    int64_t lhs = CondUnary(toks, pos, line, file, depth);
    while (pos < toks.size()) {
      const int p = Precedence(toks[pos]);
      if (p < 0 || p < minPrec) break;
      const std::string op = toks[pos++].text;
      const int64_t rhs = CondBinary(toks, pos, p + 1, line, file, depth);
      const uint64_t ul = static_cast<uint64_t>(lhs), ur = static_cast<uint64_t>(rhs);
      if (op == "||") lhs = (lhs || rhs);
      else if (op == "&&") lhs = (lhs && rhs);
      else if (op == "|") lhs = static_cast<int64_t>(ul | ur);
      else if (op == "^") lhs = static_cast<int64_t>(ul ^ ur);
      else if (op == "&") lhs = static_cast<int64_t>(ul & ur);
      else if (op == "==") lhs = lhs == rhs;
      else if (op == "!=") lhs = lhs != rhs;
      else if (op == "<") lhs = lhs < rhs;
      else if (op == ">") lhs = lhs > rhs;
      else if (op == "<=") lhs = lhs <= rhs;
      else if (op == ">=") lhs = lhs >= rhs;
      else if (op == "<<") lhs = static_cast<int64_t>(ul << (ur & 63));
      else if (op == ">>") lhs = static_cast<int64_t>(ul >> (ur & 63));
      else if (op == "+") lhs = static_cast<int64_t>(ul + ur);
      else if (op == "-") lhs = static_cast<int64_t>(ul - ur);
      else if (op == "*") lhs = static_cast<int64_t>(ul * ur);
      else {
        if (rhs == 0) ctx_.Fail(line, file, "division by zero in #if");
        if (lhs == INT64_MIN && rhs == -1) lhs = op == "/" ? INT64_MIN : 0;
        else lhs = op == "/" ? lhs / rhs : lhs % rhs;
      }
    }
    return lhs;
  }

  int64_t CondUnary(const std::vector<Token> &toks, size_t &pos, int line, int file, int depth) {
    if (depth > 200) ctx_.Fail(line, file, "#if expression nested too deeply");
    if (pos >= toks.size()) ctx_.Fail(line, file, "#if expression ends early");
    const Token &t = toks[pos++];
    if (t.kind == Kind::Number) return t.number;
    if (t.kind == Kind::Name) return 0;  // an undefined name counts as 0, as in C
    if (t.kind == Kind::Punct) {
      if (t.text == "(") {
        int64_t v = CondBinary(toks, pos, 0, line, file, depth + 1);
        if (pos >= toks.size() || toks[pos].text != ")") ctx_.Fail(line, file, "missing ')' in #if");
        ++pos;
        return v;
      }
      if (t.text == "!") return !CondUnary(toks, pos, line, file, depth + 1);
      if (t.text == "~") return static_cast<int64_t>(~static_cast<uint64_t>(CondUnary(toks, pos, line, file, depth + 1)));
      if (t.text == "-") return static_cast<int64_t>(0 - static_cast<uint64_t>(CondUnary(toks, pos, line, file, depth + 1)));
      if (t.text == "+") return CondUnary(toks, pos, line, file, depth + 1);
    }
    ctx_.Fail(line, file, "unexpected '" + t.text + "' in #if");
  }

  Context &ctx_;
  const std::map<std::string, std::string> &includes_;
  std::map<std::string, Macro> macros_;
  std::vector<Cond> conds_;
  std::vector<Token> out_;
};

// ---------------------------------------------------------------------------
// Statement parser

struct ControlKind {
  const char *keyword;
  const wchar_t *className;
  DWORD style;     // besides WS_CHILD | WS_VISIBLE
  bool hasText;    // the statement starts with the control's text
};

const ControlKind kControlKinds[] = {
    {"LTEXT", L"STATIC", static_cast<DWORD>(SS_LEFT | WS_GROUP), true},
    {"RTEXT", L"STATIC", static_cast<DWORD>(SS_RIGHT | WS_GROUP), true},
    {"CTEXT", L"STATIC", static_cast<DWORD>(SS_CENTER | WS_GROUP), true},
    {"ICON", L"STATIC", static_cast<DWORD>(SS_ICON), true},
    {"PUSHBUTTON", L"BUTTON", static_cast<DWORD>(BS_PUSHBUTTON | WS_TABSTOP), true},
    {"DEFPUSHBUTTON", L"BUTTON", static_cast<DWORD>(BS_DEFPUSHBUTTON | WS_TABSTOP), true},
    {"GROUPBOX", L"BUTTON", static_cast<DWORD>(BS_GROUPBOX), true},
    {"CHECKBOX", L"BUTTON", static_cast<DWORD>(BS_CHECKBOX | WS_TABSTOP), true},
    {"AUTOCHECKBOX", L"BUTTON", static_cast<DWORD>(BS_AUTOCHECKBOX | WS_TABSTOP), true},
    {"RADIOBUTTON", L"BUTTON", static_cast<DWORD>(BS_RADIOBUTTON | WS_TABSTOP), true},
    {"AUTORADIOBUTTON", L"BUTTON", static_cast<DWORD>(BS_AUTORADIOBUTTON | WS_TABSTOP), true},
    {"STATE3", L"BUTTON", static_cast<DWORD>(BS_3STATE | WS_TABSTOP), true},
    {"AUTO3STATE", L"BUTTON", static_cast<DWORD>(BS_AUTO3STATE | WS_TABSTOP), true},
    {"EDITTEXT", L"EDIT", static_cast<DWORD>(ES_LEFT | WS_BORDER | WS_TABSTOP), false},
    {"LISTBOX", L"LISTBOX", static_cast<DWORD>(LBS_NOTIFY | WS_BORDER), false},
    {"COMBOBOX", L"COMBOBOX", static_cast<DWORD>(CBS_SIMPLE | WS_TABSTOP), false},
    {"SCROLLBAR", L"SCROLLBAR", static_cast<DWORD>(SBS_HORZ), false},
};

// The predefined window classes a CONTROL statement may name as a keyword
// or a string; other class names are kept as written.
const char *const kPredefinedClasses[] = {"BUTTON", "EDIT", "STATIC", "LISTBOX", "SCROLLBAR", "COMBOBOX"};

class Parser {
 public:
  Parser(const Context &ctx, std::vector<Token> toks) : ctx_(ctx), toks_(std::move(toks)) {
    Token end;
    end.kind = Kind::End;
    end.line = toks_.empty() ? 1 : toks_.back().line;
    end.file = toks_.empty() ? 0 : toks_.back().file;
    toks_.push_back(end);
  }

  Script Run() {
    while (Peek().kind != Kind::End) Statement();
    return std::move(script_);
  }

 private:
  static constexpr int kMaxDepth = 200;

  // ----- token access

  const Token &Peek(size_t ahead = 0) const {
    size_t i = pos_ + ahead;
    return i < toks_.size() ? toks_[i] : toks_.back();
  }
  const Token &Next() {
    const Token &t = toks_[pos_];
    if (pos_ + 1 < toks_.size()) ++pos_;
    return t;
  }
  static bool IsWord(const Token &t, const char *kw) { return t.kind == Kind::Name && SameWord(t.text, kw); }
  static bool IsPunct(const Token &t, const char *p) { return t.kind == Kind::Punct && t.text == p; }
  static bool IsBegin(const Token &t) { return IsWord(t, "BEGIN") || IsPunct(t, "{"); }
  static bool IsEnd(const Token &t) { return IsWord(t, "END") || IsPunct(t, "}"); }

  static std::string Describe(const Token &t) {
    switch (t.kind) {
      case Kind::End: return "end of file";
      case Kind::String: return "string \"" + t.text + "\"";
      default: return "'" + t.text + "'";
    }
  }

  [[noreturn]] void Fail(const Token &at, const std::string &message) const { ctx_.Fail(at.line, at.file, message); }

  bool Accept(const char *punct) {
    if (!IsPunct(Peek(), punct)) return false;
    Next();
    return true;
  }
  void Expect(const char *punct, const char *what) {
    if (!Accept(punct)) Fail(Peek(), std::string("expected '") + punct + "' " + what + ", found " + Describe(Peek()));
  }
  void ExpectBegin(const char *what) {
    if (!IsBegin(Peek())) Fail(Peek(), std::string("expected BEGIN ") + what + ", found " + Describe(Peek()));
    Next();
  }
  std::wstring ExpectString(const char *what) {
    if (Peek().kind != Kind::String) Fail(Peek(), std::string("expected a string ") + what + ", found " + Describe(Peek()));
    return Next().wide;
  }

  // ----- expressions

  struct DepthGuard {
    DepthGuard(Parser &p) : parser(p) {
      if (++parser.depth_ > kMaxDepth) parser.Fail(parser.Peek(), "expression nested too deeply");
    }
    ~DepthGuard() { --parser.depth_; }
    Parser &parser;
  };

  uint32_t Expr() {
    uint32_t v = XorExpr();
    while (Accept("|")) v |= XorExpr();
    return v;
  }
  uint32_t XorExpr() {
    uint32_t v = AndExpr();
    while (Accept("^")) v ^= AndExpr();
    return v;
  }
  uint32_t AndExpr() {
    uint32_t v = AddExpr();
    while (Accept("&")) v &= AddExpr();
    return v;
  }
  uint32_t AddExpr() {
    uint32_t v = MulExpr();
    for (;;) {
      if (Accept("+")) v += MulExpr();
      else if (Accept("-")) v -= MulExpr();
      else return v;
    }
  }
  uint32_t MulExpr() {
    uint32_t v = Unary();
    for (;;) {
      const Token &op = Peek();
      if (!IsPunct(op, "*") && !IsPunct(op, "/") && !IsPunct(op, "%")) return v;
      const Token at = Next();
      const uint32_t r = Unary();
      if (at.text == "*") {
        v *= r;
        continue;
      }
      if (r == 0) Fail(at, "division by zero");
      const int32_t a = static_cast<int32_t>(v), b = static_cast<int32_t>(r);
      if (a == INT32_MIN && b == -1) v = at.text == "/" ? v : 0;
      else v = static_cast<uint32_t>(at.text == "/" ? a / b : a % b);
    }
  }
  uint32_t Unary() {
    DepthGuard guard(*this);
    const Token &t = Peek();
    if (IsPunct(t, "-")) {
      Next();
      return 0u - Unary();
    }
    if (IsPunct(t, "+")) {
      Next();
      return Unary();
    }
    if (IsPunct(t, "~") || IsWord(t, "NOT")) {
      Next();
      return ~Unary();
    }
    if (IsPunct(t, "(")) {
      Next();
      uint32_t v = Expr();
      Expect(")", "to close the parenthesis");
      return v;
    }
    if (t.kind == Kind::Number) return Next().number;
    if (t.kind == Kind::Name) {
      if (auto v = PlatformConstant(t.text)) {
        Next();
        return *v;
      }
      Fail(t, "unknown name '" + t.text + "'");
    }
    Fail(t, "expected a number, found " + Describe(t));
  }

  // A style: terms joined by |, each setting its bits on top of base, or,
  // after NOT, clearing them (so "NOT WS_VISIBLE" removes a default bit).
  DWORD Style(DWORD base) {
    DWORD v = base;
    do {
      if (IsWord(Peek(), "NOT")) {
        Next();
        v &= ~XorExpr();
      } else {
        v |= XorExpr();
      }
    } while (Accept("|"));
    return v;
  }

  int IntExpr() { return static_cast<int32_t>(Expr()); }

  // Reads past an expression without evaluating it (LANGUAGE's arguments
  // name constants from headers this reader does not have).
  void SkipExpr() {
    static const char *const kBinary[] = {"|", "^", "&", "+", "-", "*", "/", "%"};
    for (;;) {
      while (IsPunct(Peek(), "-") || IsPunct(Peek(), "+") || IsPunct(Peek(), "~") || IsWord(Peek(), "NOT")) Next();
      const Token &t = Peek();
      if (IsPunct(t, "(")) {
        int open = 0;
        do {
          if (Peek().kind == Kind::End) Fail(Peek(), "missing ')'");
          if (IsPunct(Peek(), "(")) ++open;
          if (IsPunct(Peek(), ")")) --open;
          Next();
        } while (open > 0);
      } else if (t.kind == Kind::Number || t.kind == Kind::Name) {
        Next();
      } else {
        Fail(t, "expected a number, found " + Describe(t));
      }
      bool more = false;
      for (const char *op : kBinary) more = more || IsPunct(Peek(), op);
      if (!more) return;
      Next();
    }
  }

  // ----- shared pieces of statements

  void SkipMemoryFlags() {
    static const char *const kFlags[] = {"PRELOAD", "LOADONCALL", "FIXED", "MOVEABLE", "DISCARDABLE",
                                         "PURE", "IMPURE", "SHARED", "NONSHARED"};
    for (;;) {
      bool any = false;
      for (const char *f : kFlags) any = any || IsWord(Peek(), f);
      if (!any) return;
      Next();
    }
  }

  // LANGUAGE, CHARACTERISTICS and VERSION before a resource's body; none of
  // them changes what is read here. Returns false at any other token.
  bool SkipCommonOption() {
    if (IsWord(Peek(), "LANGUAGE")) {
      Next();
      SkipExpr();
      Expect(",", "between LANGUAGE's language and sublanguage");
      SkipExpr();
      return true;
    }
    if (IsWord(Peek(), "CHARACTERISTICS") || IsWord(Peek(), "VERSION")) {
      Next();
      SkipExpr();
      return true;
    }
    return false;
  }

  // Skips a BEGIN ... END block, nested blocks included; the BEGIN is next.
  void SkipBlock() {
    const Token start = Peek();
    int depth = 0;
    do {
      const Token &t = Peek();
      if (t.kind == Kind::End) Fail(start, "BEGIN without END");
      if (IsBegin(t)) ++depth;
      if (IsEnd(t)) --depth;
      Next();
    } while (depth > 0);
  }

  // ----- statements

  void Statement() {
    const Token &t = Peek();
    if (IsWord(t, "LANGUAGE") || IsWord(t, "CHARACTERISTICS") || IsWord(t, "VERSION")) {
      SkipCommonOption();
      return;
    }
    if (IsWord(t, "STRINGTABLE")) {
      Next();
      SkipMemoryFlags();
      while (SkipCommonOption()) {
      }
      if (!IsBegin(Peek())) Fail(Peek(), "expected BEGIN after STRINGTABLE, found " + Describe(Peek()));
      SkipBlock();
      return;
    }

    // id TYPE ...: the id is a number, an expression, or a name or string
    // that makes a named resource (read, but not kept).
    std::optional<WORD> id;
    const Token idToken = t;
    if (IsBegin(t) || IsEnd(t)) Fail(t, "unexpected " + Describe(t) + " outside a resource");
    if (t.kind == Kind::String) {
      Next();
    } else if (t.kind == Kind::Name && !PlatformConstant(t.text)) {
      Next();
    } else if (t.kind == Kind::Number || t.kind == Kind::Name || IsPunct(t, "(") || IsPunct(t, "-") ||
               IsPunct(t, "~")) {
      id = static_cast<WORD>(Expr());
    } else {
      Fail(t, "expected a resource statement, found " + Describe(t));
    }

    const Token &type = Peek();
    if (type.kind != Kind::Name && type.kind != Kind::Number)
      Fail(type, "expected a resource type after " + Describe(idToken) + ", found " + Describe(type));
    if (IsWord(type, "MENU")) {
      Next();
      std::vector<MenuItem> items = Menu();
      if (id) script_.menus.emplace(*id, std::move(items));
    } else if (IsWord(type, "ACCELERATORS")) {
      Next();
      std::vector<Accelerator> table = Accelerators();
      if (id) script_.accelerators.emplace(*id, std::move(table));
    } else if (IsWord(type, "DIALOGEX") || IsWord(type, "DIALOG")) {
      const bool ex = IsWord(type, "DIALOGEX");
      Next();
      Dialog dialog = DialogStatement(ex);
      if (id) script_.dialogs.emplace(*id, std::move(dialog));
    } else if (IsWord(type, "ICON")) {
      Next();
      SkipMemoryFlags();
      if (Peek().kind != Kind::String) Fail(Peek(), "expected the icon's file name, found " + Describe(Peek()));
      std::string file = Next().text;
      if (id) script_.icons.emplace(*id, std::move(file));
    } else {
      // VERSIONINFO, MENUEX, BITMAP, RT_MANIFEST (24), RCDATA and the like:
      // either a file name or a header followed by a block.
      Next();
      SkipMemoryFlags();
      if (Peek().kind == Kind::String) {
        Next();
        return;
      }
      while (!IsBegin(Peek())) {
        if (Peek().kind == Kind::End || IsEnd(Peek()))
          Fail(Peek(), "expected a file name or BEGIN for resource type '" + type.text + "', found " +
                           Describe(Peek()));
        Next();
      }
      SkipBlock();
    }
  }

  // ----- MENU

  std::vector<MenuItem> Menu() {
    SkipMemoryFlags();
    while (SkipCommonOption()) {
    }
    ExpectBegin("to open the menu");
    return MenuItems(0);
  }

  UINT MenuOptions() {
    static const struct {
      const char *word;
      UINT flag;
    } kOptions[] = {{"CHECKED", MF_CHECKED},         {"GRAYED", MF_GRAYED},       {"INACTIVE", MF_DISABLED},
                    {"MENUBARBREAK", MF_MENUBARBREAK}, {"MENUBREAK", MF_MENUBREAK}, {"HELP", MF_HELP}};
    auto option = [&](const Token &t) -> UINT {
      for (const auto &o : kOptions)
        if (IsWord(t, o.word)) return o.flag;
      return 0;
    };
    UINT flags = 0;
    for (;;) {
      if (IsPunct(Peek(), ",") && option(Peek(1))) {
        Next();
      } else if (!option(Peek())) {
        return flags;
      }
      flags |= option(Next());
    }
  }

  std::vector<MenuItem> MenuItems(int depth) {
    if (depth > 64) Fail(Peek(), "menu nested too deeply");
    std::vector<MenuItem> items;
    for (;;) {
      const Token &t = Peek();
      if (IsEnd(t)) {
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
          item.flags = MF_STRING | MenuOptions();
        }
      } else if (IsWord(t, "POPUP")) {
        Next();
        item.text = ExpectString("for the popup");
        item.flags = MF_POPUP | MenuOptions();
        ExpectBegin("to open the popup");
        item.children = MenuItems(depth + 1);
      } else if (t.kind == Kind::End) {
        Fail(t, "menu without END");
      } else {
        Fail(t, "expected MENUITEM, POPUP or END in the menu, found " + Describe(t));
      }
      items.push_back(std::move(item));
    }
  }

  // ----- ACCELERATORS

  std::vector<Accelerator> Accelerators() {
    SkipMemoryFlags();
    while (SkipCommonOption()) {
    }
    ExpectBegin("to open the accelerator table");
    std::vector<Accelerator> table;
    while (!IsEnd(Peek())) {
      if (Peek().kind == Kind::End) Fail(Peek(), "accelerator table without END");
      table.push_back(AcceleratorEntry());
    }
    Next();
    return table;
  }

  Accelerator AcceleratorEntry() {
    const Token event = Peek();
    bool quoted = false, caret = false;
    uint32_t key = 0;
    if (event.kind == Kind::String) {
      Next();
      quoted = true;
      const std::wstring &s = event.wide;
      if (s.size() == 2 && s[0] == L'^') {
        // "^A": the control character of A, whichever case it is written in.
        wchar_t c = s[1];
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
        if (c < L'@' || c > L'_') Fail(event, "\"^" + event.text.substr(1) + "\" is not a control character");
        key = static_cast<uint32_t>(c - L'@');
        caret = true;
      } else if (s.size() == 1) {
        key = static_cast<uint32_t>(s[0]);
      } else {
        Fail(event, "an accelerator's key must be one character, not " + Describe(event));
      }
    } else {
      key = Expr();
    }
    Expect(",", "after the accelerator's key");
    Accelerator acc;
    acc.cmd = static_cast<WORD>(Expr());

    bool ascii = false, virtkey = false;
    // Options follow, each after a comma (or a space).
    for (;;) {
      const bool comma = IsPunct(Peek(), ",");
      const Token &opt = comma ? Peek(1) : Peek();
      if (IsWord(opt, "ASCII")) ascii = true;
      else if (IsWord(opt, "VIRTKEY")) virtkey = true;
      else if (IsWord(opt, "ALT")) acc.fVirt |= FALT;
      else if (IsWord(opt, "SHIFT")) acc.fVirt |= FSHIFT;
      else if (IsWord(opt, "CONTROL")) acc.fVirt |= FCONTROL;
      else if (IsWord(opt, "NOINVERT")) acc.fVirt |= FNOINVERT;
      else if (comma) Fail(opt, "expected an accelerator option, found " + Describe(opt));
      else break;
      if (comma) Next();
      Next();
    }
    if (ascii && virtkey) Fail(event, "an accelerator cannot be both ASCII and VIRTKEY");
    if (!quoted && !ascii && !virtkey) Fail(event, "a numeric accelerator key needs ASCII or VIRTKEY");
    if (virtkey) {
      if (caret) Fail(event, "a VIRTKEY accelerator cannot use a \"^\" control character");
      // A quoted letter names the key, which is the upper-case letter's code.
      if (quoted && key >= 'a' && key <= 'z') key -= 'a' - 'A';
      acc.fVirt |= FVIRTKEY;
    }
    acc.key = static_cast<WORD>(key);
    return acc;
  }

  // ----- DIALOG and DIALOGEX

  Dialog DialogStatement(bool ex) {
    Dialog d;
    SkipMemoryFlags();
    d.x = IntExpr();
    Expect(",", "after the dialog's x");
    d.y = IntExpr();
    Expect(",", "after the dialog's y");
    d.cx = IntExpr();
    Expect(",", "after the dialog's width");
    d.cy = IntExpr();
    if (ex && Accept(",")) Expr();  // help id

    bool styleGiven = false, captionGiven = false, fontGiven = false;
    for (;;) {
      const Token &t = Peek();
      if (IsWord(t, "STYLE")) {
        Next();
        d.style = Style(0);
        styleGiven = true;
      } else if (IsWord(t, "EXSTYLE")) {
        Next();
        d.exStyle = Style(d.exStyle);
      } else if (IsWord(t, "CAPTION")) {
        Next();
        d.caption = ExpectString("for CAPTION");
        captionGiven = true;
      } else if (IsWord(t, "FONT")) {
        Next();
        d.fontPointSize = IntExpr();
        Expect(",", "after the font's point size");
        d.fontFace = ExpectString("for the font's face name");
        for (int extra = 0; extra < 3 && Accept(","); ++extra) Expr();  // weight, italic, charset
        fontGiven = true;
      } else if (IsWord(t, "MENU") || IsWord(t, "CLASS")) {
        Next();
        if (Peek().kind == Kind::String || (Peek().kind == Kind::Name && !PlatformConstant(Peek().text))) Next();
        else Expr();
      } else if (!SkipCommonOption()) {
        break;
      }
    }
    // Without STYLE a dialog is a bordered pop-up with a system menu;
    // CAPTION gives it a caption bar and FONT marks that it has a font.
    if (!styleGiven) d.style = static_cast<DWORD>(WS_POPUP | WS_BORDER | WS_SYSMENU);
    if (captionGiven) d.style |= static_cast<DWORD>(WS_CAPTION);
    if (fontGiven) d.style |= static_cast<DWORD>(DS_SETFONT);

    ExpectBegin("to open the dialog's controls");
    while (!IsEnd(Peek())) {
      if (Peek().kind == Kind::End) Fail(Peek(), "dialog without END");
      d.controls.push_back(Control(ex));
    }
    Next();
    return d;
  }

  // The optional trailing ", style [, exstyle [, help id]]" of a control.
  void ControlTail(DialogControl &c, bool ex) {
    if (!Accept(",")) return;
    c.style = Style(c.style);
    if (!Accept(",")) return;
    c.exStyle = Style(0);
    if (ex && Accept(",")) Expr();  // help id
  }

  // The text of a control that may name a resource instead (ICON, CONTROL).
  void ResourceText(DialogControl &c) {
    const Token &t = Peek();
    if (t.kind == Kind::String) {
      c.text = Next().wide;
    } else if (t.kind == Kind::Name && !PlatformConstant(t.text) && IsPunct(Peek(1), ",")) {
      Next();  // a named resource; only numbered icons are kept
    } else {
      c.iconId = IntExpr();
    }
  }

  DialogControl Control(bool ex) {
    const Token t = Peek();
    DialogControl c;
    c.style = static_cast<DWORD>(WS_CHILD | WS_VISIBLE);
    if (IsWord(t, "CONTROL")) {
      Next();
      ResourceText(c);
      Expect(",", "after the control's text");
      c.id = IntExpr();
      Expect(",", "after the control's id");
      c.className = ClassName();
      Expect(",", "after the control's class");
      c.style = Style(c.style);
      Expect(",", "after the control's style");
      Rect(c);
      if (Accept(",")) {
        c.exStyle = Style(0);
        if (ex && Accept(",")) Expr();  // help id
      }
      return c;
    }
    const ControlKind *kind = nullptr;
    for (const ControlKind &k : kControlKinds)
      if (IsWord(t, k.keyword)) kind = &k;
    if (!kind) Fail(t, "expected a control statement or END in the dialog, found " + Describe(t));
    Next();
    c.className = kind->className;
    c.style |= kind->style;
    const bool icon = IsWord(t, "ICON");
    if (icon) {
      ResourceText(c);
      c.text.clear();  // an icon control shows its icon, not text
      Expect(",", "after the icon");
    } else if (kind->hasText) {
      c.text = ExpectString("for the control's text");
      Expect(",", "after the control's text");
    }
    c.id = IntExpr();
    Expect(",", "after the control's id");
    if (icon) {
      // ICON text, id, x, y [, cx, cy [, style [, exstyle]]]
      c.x = IntExpr();
      Expect(",", "after the control's x");
      c.y = IntExpr();
      if (Accept(",")) {
        c.cx = IntExpr();
        Expect(",", "after the control's width");
        c.cy = IntExpr();
        ControlTail(c, ex);
      }
      return c;
    }
    Rect(c);
    ControlTail(c, ex);
    return c;
  }

  void Rect(DialogControl &c) {
    c.x = IntExpr();
    Expect(",", "after the control's x");
    c.y = IntExpr();
    Expect(",", "after the control's y");
    c.cx = IntExpr();
    Expect(",", "after the control's width");
    c.cy = IntExpr();
  }

  std::wstring ClassName() {
    const Token &t = Peek();
    std::string name;
    if (t.kind == Kind::String) {
      std::wstring written = Next().wide;
      std::string upper;
      for (wchar_t ch : written) upper.push_back(ch < 0x80 ? static_cast<char>(ch) : '?');
      for (const char *known : kPredefinedClasses)
        if (SameWord(upper, known)) return std::wstring(known, known + std::char_traits<char>::length(known));
      return written;
    }
    if (t.kind == Kind::Name) {
      for (const char *known : kPredefinedClasses) {
        if (IsWord(t, known)) {
          Next();
          return std::wstring(known, known + std::char_traits<char>::length(known));
        }
      }
    }
    Fail(t, "expected a control class, found " + Describe(t));
  }

  const Context &ctx_;
  std::vector<Token> toks_;
  size_t pos_ = 0;
  int depth_ = 0;
  Script script_;
};

}  // namespace

Script ParseScript(const std::string &text, const std::map<std::string, std::string> &includes) {
  Context ctx;
  Preprocessor pre(ctx, includes);
  std::vector<Token> tokens = pre.Run(text);
  Parser parser(ctx, std::move(tokens));
  return parser.Run();
}

}  // namespace winsim::rc
