#include "ScenarioParser.h"

#include <windows.h>

#include <cctype>
#include <climits>
#include <map>
#include <set>
#include <sstream>

namespace quillmere::sim {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string Trim(const std::string &s) {
  std::string::size_type b = 0, e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

// The line up to its comment, as the tokenizer sees quotes.
std::string WithoutComment(const std::string &line) {
  bool inQuotes = false;
  for (std::string::size_type i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (inQuotes && c == '\\') {
      ++i;
    } else if (c == '"') {
      inQuotes = !inQuotes;
    } else if (c == '#' && !inQuotes) {
      return line.substr(0, i);
    }
  }
  return line;
}

bool ParseInt(const std::string &text, long &value) {
  if (text.empty()) return false;
  std::string::size_type i = 0;
  bool negative = false;
  if (text[0] == '-' || text[0] == '+') {
    negative = text[0] == '-';
    i = 1;
  }
  if (i == text.size()) return false;
  long v = 0;
  for (; i < text.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(text[i]))) return false;
    if (v > (LONG_MAX - 9) / 10) return false;
    v = v * 10 + (text[i] - '0');
  }
  value = negative ? -v : v;
  return true;
}

// The style flags a `window` command may name. Visibility and the disabled
// state have their own options; a child window is made with parent=.
const std::map<std::string, std::uint32_t> kStyleNames = {
    {"WS_OVERLAPPEDWINDOW", WS_OVERLAPPEDWINDOW},
    {"WS_POPUP", WS_POPUP},
    {"WS_POPUPWINDOW", WS_POPUPWINDOW},
    {"WS_CAPTION", WS_CAPTION},
    {"WS_SYSMENU", WS_SYSMENU},
    {"WS_THICKFRAME", WS_THICKFRAME},
    {"WS_MINIMIZEBOX", WS_MINIMIZEBOX},
    {"WS_MAXIMIZEBOX", WS_MAXIMIZEBOX},
    {"WS_BORDER", WS_BORDER},
    {"WS_DLGFRAME", WS_DLGFRAME},
};

struct KeyValue {
  std::string key;
  std::string value;
  bool valueQuoted = false;
};

// key=value, with the '=' before any quoted part; false for a plain word.
bool SplitKeyValue(const Token &t, KeyValue &kv) {
  auto eq = t.text.find('=');
  if (eq == std::string::npos || (t.quoted() && eq >= t.quotedFrom)) return false;
  kv.key = t.text.substr(0, eq);
  kv.value = t.text.substr(eq + 1);
  kv.valueQuoted = t.quoted();
  return true;
}

const std::map<std::string, CommandKind> &Commands() {
  static const std::map<std::string, CommandKind> commands{
      {"app", CommandKind::App},
      {"window", CommandKind::Window},
      {"show", CommandKind::Show},
      {"hide", CommandKind::Hide},
      {"enable", CommandKind::Enable},
      {"disable", CommandKind::Disable},
      {"destroy", CommandKind::Destroy},
      {"title", CommandKind::Title},
      {"focus", CommandKind::Focus},
      {"metric", CommandKind::Metric},
      {"start", CommandKind::Start},
      {"kill", CommandKind::Kill},
      {"tray", CommandKind::Tray},
      {"keys", CommandKind::Keys},
      {"menu", CommandKind::Menu},
      {"dismiss", CommandKind::Dismiss},
      {"close", CommandKind::Close},
      {"expect", CommandKind::Expect},
      {"expect-log", CommandKind::ExpectLog},
      {"expect-exit", CommandKind::ExpectExit},
      {"print", CommandKind::Print},
      {"script-file", CommandKind::ScriptFile},
      {"language", CommandKind::Language},
      {"start-second", CommandKind::StartSecond},
      {"expect-second-exit", CommandKind::ExpectSecondExit},
      {"minimize", CommandKind::Minimize},
  };
  return commands;
}

struct FieldInfo {
  Field field;
  enum { Number, Flag, Text } type;
};

const std::map<std::string, FieldInfo> &Fields() {
  static const std::map<std::string, FieldInfo> fields{
      {"left", {Field::Left, FieldInfo::Number}},           {"top", {Field::Top, FieldInfo::Number}},
      {"width", {Field::Width, FieldInfo::Number}},         {"height", {Field::Height, FieldInfo::Number}},
      {"visible", {Field::Visible, FieldInfo::Flag}},       {"enabled", {Field::Enabled, FieldInfo::Flag}},
      {"exists", {Field::Exists, FieldInfo::Flag}},         {"alpha", {Field::Alpha, FieldInfo::Number}},
      {"topmost", {Field::Topmost, FieldInfo::Flag}},       {"layered", {Field::Layered, FieldInfo::Flag}},
      {"thickframe", {Field::Thickframe, FieldInfo::Flag}}, {"title", {Field::Title, FieldInfo::Text}},
      {"foreground", {Field::Foreground, FieldInfo::Flag}}, {"minimized", {Field::Minimized, FieldInfo::Flag}},
  };
  return fields;
}

// Reads the lines of one scenario, keeping the names given so far.
class LineParser {
 public:
  Command Parse(int line, const std::string &source, const std::vector<Token> &words) {
    line_ = line;
    Command c;
    c.line = line;
    c.source = source;
    const Token &head = words[0];
    auto it = Commands().find(head.text);
    if (head.quoted() || it == Commands().end()) Fail("unknown command \"" + head.text + "\"");
    c.kind = it->second;
    std::vector<Token> args(words.begin() + 1, words.end());
    switch (c.kind) {
      case CommandKind::App:
        Count(head.text, args, 1, 1, "app APP");
        c.name = PlainWord(args[0], "application name");
        if (!apps_.insert(c.name).second) Fail("the application \"" + c.name + "\" has already been started");
        break;
      case CommandKind::Window:
        ParseWindow(c, args);
        break;
      case CommandKind::Show:
      case CommandKind::Hide:
      case CommandKind::Enable:
      case CommandKind::Disable:
      case CommandKind::Destroy:
        Count(head.text, args, 1, 1, head.text + " NAME");
        c.name = KnownWindow(args[0], false);
        break;
      case CommandKind::Title:
        Count(head.text, args, 2, 2, "title NAME \"TEXT\"");
        c.name = KnownWindow(args[0], false);
        c.text = QuotedText(args[1], "the new title");
        break;
      case CommandKind::Focus:
        Count(head.text, args, 1, 1, "focus NAME");
        c.name = KnownWindow(args[0], true);
        break;
      case CommandKind::Metric:
        ParseMetric(c, args);
        break;
      case CommandKind::Start:
      case CommandKind::Kill:
      case CommandKind::Dismiss:
      case CommandKind::Close:
        Count(head.text, args, 0, 0, head.text);
        break;
      case CommandKind::Tray:
        Count(head.text, args, 1, 1, "tray left|right");
        c.text = PlainWord(args[0], "mouse button");
        if (c.text != "left" && c.text != "right") Fail("tray takes left or right, not \"" + c.text + "\"");
        break;
      case CommandKind::Keys:
        Count(head.text, args, 2, 2, "keys NAME KEYS");
        c.name = KnownWindow(args[0], true);
        c.text = args[1].text;
        CheckKeys(c.text);
        break;
      case CommandKind::Menu:
        Count(head.text, args, 1, 1, "menu about|exit|reload|pause");
        c.text = PlainWord(args[0], "menu command");
        if (c.text != "about" && c.text != "exit" && c.text != "reload" && c.text != "pause")
          Fail("menu takes about, exit, reload or pause, not \"" + c.text + "\"");
        break;
      case CommandKind::Expect:
        ParseExpect(c, args);
        break;
      case CommandKind::ExpectLog:
        Count(head.text, args, 1, 1, "expect-log \"TEXT\"");
        c.text = args[0].text;
        break;
      case CommandKind::ExpectExit:
      case CommandKind::ExpectSecondExit:
        c.exitCode = ExitCode(head.text, args);
        break;
      case CommandKind::Print:
        Count(head.text, args, 1, 1, "print NAME|all|log|settings|menu");
        if (!args[0].quoted() &&
            (args[0].text == "all" || args[0].text == "log" || args[0].text == "settings" || args[0].text == "menu"))
          c.name = args[0].text;
        else
          c.name = KnownWindow(args[0], true);
        break;
      case CommandKind::ScriptFile:
        Count(head.text, args, 1, 1, "script-file FILE");
        c.text = PlainWord(args[0], "script file name");
        if (c.text.find('/') != std::string::npos)
          Fail("script-file takes a file of the working directory, not a path");
        break;
      case CommandKind::Language:
        ParseLanguage(c, args);
        break;
      case CommandKind::StartSecond:
        Count(head.text, args, 0, 0, head.text);
        break;
      case CommandKind::Minimize:
        Count(head.text, args, 1, 1, "minimize NAME");
        c.name = KnownWindow(args[0], true);
        break;
    }
    return c;
  }

 private:
  [[noreturn]] void Fail(const std::string &reason) const { throw ScenarioError(line_, reason); }

  void Count(const std::string &command, const std::vector<Token> &args, std::size_t min, std::size_t max,
             const std::string &usage) const {
    if (args.size() < min || args.size() > max) {
      std::string what = args.size() < min ? "too few" : "too many";
      Fail(what + " words for " + command + " (usage: " + usage + ")");
    }
  }

  int ExitCode(const std::string &command, const std::vector<Token> &args) const {
    Count(command, args, 1, 1, command + " N");
    long code = 0;
    if (args[0].quoted() || !ParseInt(args[0].text, code) || code < INT_MIN || code > INT_MAX)
      Fail(command + " takes a whole number, not \"" + args[0].text + "\"");
    return static_cast<int>(code);
  }

  std::string PlainWord(const Token &t, const std::string &what) const {
    if (t.quoted() || t.text.empty() || t.text.find('=') != std::string::npos)
      Fail("expected a plain word as the " + what + ", found \"" + t.text + "\"");
    return t.text;
  }

  std::string QuotedText(const Token &t, const std::string &what) const {
    if (t.quotedFrom != 0) Fail(what + " must be quoted: \"TEXT\"");
    return t.text;
  }

  std::string KnownWindow(const Token &t, bool mainWindowToo) const {
    std::string name = PlainWord(t, "window name");
    if (name == kMainWindowName) {
      if (!mainWindowToo) Fail("the program's window \"quillmere\" is not an application's window");
      return name;
    }
    if (!windows_.count(name)) Fail("no window named \"" + name + "\" has been made before this line");
    return name;
  }

  void ParseWindow(Command &c, const std::vector<Token> &args) {
    Count("window", args, 3, 11,
          "window NAME APP \"TITLE\" [class=CLASS] [rect=L,T,R,B] [owner=NAME] "
          "[parent=NAME] [style=FLAG|FLAG...] [hidden] [disabled] [layered]");
    c.name = PlainWord(args[0], "window name");
    if (c.name == kMainWindowName || c.name == "all" || c.name == "log" || c.name == "settings" || c.name == "menu")
      Fail("\"" + c.name + "\" is reserved and cannot name a window");
    if (windows_.count(c.name)) Fail("a window named \"" + c.name + "\" already exists");
    c.app = PlainWord(args[1], "application name");
    if (!apps_.count(c.app)) Fail("no application named \"" + c.app + "\" has been started before this line");
    c.text = QuotedText(args[2], "the window title");
    std::set<std::string> seen;
    for (std::size_t i = 3; i < args.size(); ++i) {
      const Token &t = args[i];
      KeyValue kv;
      std::string key = SplitKeyValue(t, kv) ? kv.key : t.text;
      if (!seen.insert(key).second) Fail("\"" + key + "\" is given twice");
      if (!SplitKeyValue(t, kv)) {
        if (t.quoted()) Fail("unexpected quoted text \"" + t.text + "\"");
        if (t.text == "hidden")
          c.window.hidden = true;
        else if (t.text == "disabled")
          c.window.disabled = true;
        else if (t.text == "layered")
          c.window.layered = true;
        else
          Fail("unknown window option \"" + t.text + "\"");
      } else if (kv.key == "class") {
        if (kv.value.empty()) Fail("class= needs a class name");
        c.window.className = kv.value;
      } else if (kv.key == "rect") {
        ParseRect(c.window, kv);
      } else if (kv.key == "style") {
        ParseStyle(c.window, kv);
      } else if (kv.key == "owner" || kv.key == "parent") {
        std::string other = kv.value;
        if (kv.valueQuoted || !windows_.count(other))
          Fail("no window named \"" + other + "\" has been made before this line");
        (kv.key == "owner" ? c.window.owner : c.window.parent) = other;
      } else {
        Fail("unknown window option \"" + kv.key + "=\"");
      }
    }
    if (!c.window.owner.empty() && !c.window.parent.empty()) Fail("a window has an owner or a parent, not both");
    windows_.insert(c.name);
  }

  void ParseStyle(WindowOptions &w, const KeyValue &kv) const {
    std::string known;
    for (const auto &[name, flag] : kStyleNames) known += (known.empty() ? "" : ", ") + name;
    if (kv.valueQuoted || kv.value.empty()) Fail("style= takes style flags joined by |: " + known);
    std::stringstream in(kv.value);
    std::string part;
    std::uint32_t style = 0;
    while (std::getline(in, part, '|')) {
      auto it = kStyleNames.find(part);
      if (it == kStyleNames.end()) Fail("unknown style flag \"" + part + "\" (known: " + known + ")");
      style |= it->second;
    }
    if (kv.value.back() == '|') Fail("style= takes style flags joined by |: " + known);
    w.style = style;
  }

  void ParseRect(WindowOptions &w, const KeyValue &kv) const {
    std::vector<long> v;
    std::stringstream in(kv.value);
    std::string part;
    while (std::getline(in, part, ',')) {
      long n = 0;
      if (!ParseInt(part, n) || n < -100000 || n > 100000) Fail("rect= takes four whole numbers L,T,R,B");
      v.push_back(n);
    }
    if (kv.valueQuoted || v.size() != 4 || kv.value.back() == ',') Fail("rect= takes four whole numbers L,T,R,B");
    if (v[2] < v[0] || v[3] < v[1]) Fail("rect= needs R >= L and B >= T");
    w.hasRect = true;
    w.left = static_cast<int>(v[0]);
    w.top = static_cast<int>(v[1]);
    w.right = static_cast<int>(v[2]);
    w.bottom = static_cast<int>(v[3]);
  }

  void ParseMetric(Command &c, const std::vector<Token> &args) {
    Count("metric", args, 1, 2, "metric caption=N mintrack=N");
    for (const Token &t : args) {
      KeyValue kv;
      long n = 0;
      if (!SplitKeyValue(t, kv) || (kv.key != "caption" && kv.key != "mintrack"))
        Fail("metric takes caption=N and mintrack=N, not \"" + t.text + "\"");
      if (kv.valueQuoted || !ParseInt(kv.value, n) || n < 0 || n > 10000)
        Fail(kv.key + "= takes a whole number from 0 to 10000");
      auto &slot = kv.key == "caption" ? c.caption : c.mintrack;
      if (slot) Fail("\"" + kv.key + "\" is given twice");
      slot = static_cast<int>(n);
    }
  }

  // language CODE: the user's interface language, by its two-letter code.
  void ParseLanguage(Command &c, const std::vector<Token> &args) {
    Count("language", args, 1, 1, "language en|ja|de|fr");
    static const std::map<std::string, std::uint16_t> languages{
        {"en", MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)},
        {"ja", MAKELANGID(LANG_JAPANESE, SUBLANG_JAPANESE_JAPAN)},
        {"de", MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN)},
        {"fr", MAKELANGID(LANG_FRENCH, SUBLANG_FRENCH)},
    };
    c.text = PlainWord(args[0], "language");
    auto it = languages.find(c.text);
    if (it == languages.end()) Fail("language takes en, ja, de or fr, not \"" + c.text + "\"");
    c.language = it->second;
  }

  void CheckKeys(const std::string &keys) const {
    std::string lower;
    for (char ch : keys) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    static const std::set<std::string> named{"esc", "escape", "enter", "return", "tab", "space"};
    bool ok = keys.size() == 1 || named.count(lower) || (lower.size() == 5 && lower.compare(0, 4, "alt+") == 0);
    if (!ok) Fail("unknown keys \"" + keys + "\" (alt+CHARACTER, esc, enter, tab, space or one character)");
  }

  void ParseExpect(Command &c, const std::vector<Token> &args) {
    if (args.size() < 2) Fail("too few words for expect (usage: expect NAME FIELD=VALUE...)");
    c.name = KnownWindow(args[0], true);
    for (std::size_t i = 1; i < args.size(); ++i) {
      KeyValue kv;
      if (!SplitKeyValue(args[i], kv)) Fail("expected FIELD=VALUE, found \"" + args[i].text + "\"");
      auto it = Fields().find(kv.key);
      if (it == Fields().end()) Fail("unknown field \"" + kv.key + "\"");
      Expectation e;
      e.field = it->second.field;
      e.fieldName = kv.key;
      switch (it->second.type) {
        case FieldInfo::Number:
          if (kv.valueQuoted || !ParseInt(kv.value, e.number)) Fail(kv.key + "= takes a whole number");
          break;
        case FieldInfo::Flag:
          if (kv.valueQuoted || (kv.value != "yes" && kv.value != "no")) Fail(kv.key + "= takes yes or no");
          e.flag = kv.value == "yes";
          break;
        case FieldInfo::Text:
          if (args[i].quotedFrom != kv.key.size() + 1) Fail(kv.key + "= takes a quoted text: " + kv.key + "=\"TEXT\"");
          e.text = kv.value;
          break;
      }
      c.expectations.push_back(e);
    }
  }

  int line_ = 0;
  std::set<std::string> apps_;
  std::set<std::string> windows_;
};

}  // namespace

std::vector<Token> TokenizeLine(const std::string &line, int lineNumber) {
  std::vector<Token> words;
  std::string::size_type i = 0, n = line.size();
  while (i < n) {
    if (IsBlank(line[i])) {
      ++i;
      continue;
    }
    if (line[i] == '#') break;
    Token t;
    while (i < n && !IsBlank(line[i]) && line[i] != '#') {
      if (line[i] != '"') {
        t.text += line[i++];
        continue;
      }
      if (!t.quoted()) t.quotedFrom = t.text.size();
      ++i;
      bool closed = false;
      while (i < n) {
        char c = line[i++];
        if (c == '"') {
          closed = true;
          break;
        }
        if (c == '\\') {
          if (i == n) break;
          char e = line[i++];
          if (e != '"' && e != '\\')
            throw ScenarioError(lineNumber, std::string("unknown escape \\") + e + " (only \\\" and \\\\)");
          t.text += e;
        } else {
          t.text += c;
        }
      }
      if (!closed) throw ScenarioError(lineNumber, "unterminated quoted text");
    }
    words.push_back(std::move(t));
  }
  return words;
}

Scenario ParseScenario(const std::string &text) {
  Scenario scenario;
  LineParser parser;
  std::stringstream in(text);
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    std::vector<Token> words = TokenizeLine(line, number);
    if (words.empty()) continue;
    scenario.commands.push_back(parser.Parse(number, Trim(WithoutComment(line)), words));
  }
  return scenario;
}

}  // namespace quillmere::sim
