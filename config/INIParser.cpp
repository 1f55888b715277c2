#include "config/INIParser.h"

#include <cctype>
#include <charconv>
#include <cstring>
#include <utility>

#include <boost/spirit/include/classic_chset.hpp>
#include <boost/spirit/include/classic_core.hpp>

#include "config/INIFile.h"
#include "config/NumberText.h"
#include "config/TextFile.h"

namespace classic = boost::spirit::classic;

namespace {

// Character classes of the current C locale. The classification functions
// take the byte as an unsigned value: a char above 127 is negative where
// char is signed, and passing a negative value other than EOF to them is
// undefined.
bool IsWhitespace(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }
bool IsLetter(char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; }
bool IsLetterOrDigit(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; }

// Matches one character for which Classify is true; its attribute is the
// character.
template <bool (*Classify)(char)>
struct ClassParser : classic::char_parser<ClassParser<Classify>> {
  typedef ClassParser self_t;
  template <typename CharT>
  bool test(CharT c) const {
    return Classify(c);
  }
};

const ClassParser<IsWhitespace> whitespace_p = ClassParser<IsWhitespace>();
const ClassParser<IsLetter> letter_p = ClassParser<IsLetter>();
const ClassParser<IsLetterOrDigit> letterOrDigit_p = ClassParser<IsLetterOrDigit>();

// The text of a buffer: its characters up to the terminating null.
std::string BufferText(const std::vector<char> &buffer) {
  return buffer.empty() ? std::string() : std::string(buffer.data(), std::strlen(buffer.data()));
}

}  // namespace

// The scanner has no skip parser: every blank the text may hold is named in
// the rules. A repetition never gives back what it took, and actions that
// ran are never undone when the sequence around them fails later.
//
// Where a repetition collects characters up to a terminator (a double-quote,
// a line feed), the character parser itself excludes the terminator, so the
// character's action never sees it and the buffers hold exactly the
// characters in front of it, also when the text ends first.
template <typename ScannerT>
struct INIParser::definition {
  typedef BindFromTo<const char *const> Range;
  typedef BindOne<char> Char;
  typedef BindOne<int> Int;
  typedef BindOne<double> Real;

  classic::rule<ScannerT> identifier, stringValue, quotedString, plainString, intLiteral, realLiteral, boolLiteral,
      document, section, entry, comment;

  explicit definition(const INIParser &self) {
    using classic::ch_p;
    using classic::end_p;
    using classic::eps_p;
    using classic::str_p;

    // Spirit hands the grammar to its definition as const; the actions fill
    // the parser's state, which belongs to this one pass.
    INIParser *parser = const_cast<INIParser *>(&self);

    document = *whitespace_p >> *section >> *whitespace_p;

    section = ch_p('[') >> identifier >> ch_p(']') >> eps_p[Range(parser, &INIParser::BeginSection)] >> +whitespace_p >>
              eps_p[Range(parser, &INIParser::OpenSection)] >> *((entry | comment) >> (+whitespace_p | end_p));

    entry = identifier[Range(parser, &INIParser::SetKey)] >> *whitespace_p >> ch_p('=') >>
            *(whitespace_p - ch_p('\n')) >> eps_p[Range(parser, &INIParser::StartValue)] >>
            (realLiteral[Range(parser, &INIParser::AddReal)] | intLiteral[Range(parser, &INIParser::AddInt)] |
             boolLiteral[Range(parser, &INIParser::AddBool)] | stringValue[Range(parser, &INIParser::AddString)]);

    comment = ch_p(';') >> eps_p[Range(parser, &INIParser::ClearComment)] >>
              *((~ch_p('\n'))[Char(parser, &INIParser::AppendComment)]) >> eps_p[Range(parser, &INIParser::EndComment)];

    identifier = (letter_p[Char(parser, &INIParser::StartName)] | ch_p('_')[Char(parser, &INIParser::StartName)]) >>
                 *(letterOrDigit_p[Char(parser, &INIParser::AppendName)] |
                   ch_p('_')[Char(parser, &INIParser::AppendName)]) >>
                 eps_p[Range(parser, &INIParser::EndName)];

    intLiteral = classic::int_p[Int(parser, &INIParser::SetInt)];

    // Needs a decimal point or an exponent, so 10 is left to intLiteral.
    realLiteral = classic::strict_real_p[Real(parser, &INIParser::SetReal)];

    // Compared as a prefix: "trueish" matches "true".
    boolLiteral = str_p("true")[Range(parser, &INIParser::SetBool)] |
                  str_p("false")[Range(parser, &INIParser::SetBool)];

    stringValue = quotedString | plainString;

    // A backslash in front of a double-quote stands for the double-quote;
    // every other character, line feeds and backslashes included, is kept.
    quotedString = ch_p('"') >> eps_p[Range(parser, &INIParser::ClearValue)] >>
                   *((ch_p('\\') >> ch_p('"')[Char(parser, &INIParser::AppendValue)]) |
                     (~ch_p('"'))[Char(parser, &INIParser::AppendValue)]) >>
                   ch_p('"') >> eps_p[Range(parser, &INIParser::EndValue)];

    // May match nothing, so an entry whose "=" was read always gets a value.
    plainString = eps_p[Range(parser, &INIParser::ClearValue)] >>
                  *((~classic::chset_p("\"\n"))[Char(parser, &INIParser::AppendValue)]) >>
                  eps_p[Range(parser, &INIParser::EndValue)];
  }

  const classic::rule<ScannerT> &start() const { return document; }
};

INIParser::INIParser(INIFile *target)
    : target(target),
      intValue(0),
      realValue(0.0),
      boolValue(false),
      keyEnd(nullptr),
      valueStart(nullptr),
      sectionOpen(false) {}

void INIParser::EndPass() { KeepTrailingComments(); }

void INIParser::KeepTrailingComments() {
  if (sectionOpen && !pendingComments.empty()) {
    std::vector<std::string> &trailing = target->GetSection(sectionName)->trailingComments;
    trailing.insert(trailing.end(), pendingComments.begin(), pendingComments.end());
  }
  pendingComments.clear();
}

void INIParser::StartName(char c) { nameBuffer.assign(1, c); }
void INIParser::AppendName(char c) { nameBuffer.push_back(c); }
void INIParser::EndName(Position, Position) { nameBuffer.push_back('\0'); }

void INIParser::BeginSection(Position, Position) {
  KeepTrailingComments();
  sectionName = BufferText(nameBuffer);
  sectionOpen = false;
}

void INIParser::OpenSection(Position, Position) {
  target->GetSection(sectionName);
  sectionOpen = true;
}

void INIParser::SetKey(Position, Position last) {
  keyName = BufferText(nameBuffer);
  keyEnd = last;
}
void INIParser::StartValue(Position first, Position) { valueStart = first; }
void INIParser::SetInt(int value) { intValue = value; }
void INIParser::SetReal(double value) { realValue = value; }
void INIParser::SetBool(Position first, Position last) { boolValue = std::string(first, last) == "true"; }

void INIParser::ClearValue(Position, Position) { valueBuffer.clear(); }
void INIParser::AppendValue(char c) { valueBuffer.push_back(c); }
void INIParser::EndValue(Position, Position) { valueBuffer.push_back('\0'); }

void INIParser::ClearComment(Position, Position) { commentBuffer.clear(); }
void INIParser::AppendComment(char c) { commentBuffer.push_back(c); }

void INIParser::EndComment(Position, Position) {
  commentBuffer.push_back('\0');
  pendingComments.push_back(BufferText(commentBuffer));
}

void INIParser::AddInt(Position, Position last) { AddCurrent(IntegerText(intValue), last); }
void INIParser::AddReal(Position first, Position last) {
  // The grammar's own accumulation of digits and powers of ten is not
  // correctly rounded everywhere (the Windows runtime's pow is off by an
  // ulp for some exponents); the number it matched is converted again,
  // exactly and without the locale.
  if (first != last && *first == '+') ++first;
  double exact = 0.0;
  auto [end, error] = std::from_chars(first, last, exact);
  if (error == std::errc() && end == last) realValue = exact;
  AddCurrent(RealText(realValue), last);
}
void INIParser::AddBool(Position, Position last) { AddCurrent(boolValue ? "true" : "false", last); }
void INIParser::AddString(Position, Position last) { AddCurrent(BufferText(valueBuffer), last); }

void INIParser::AddCurrent(const std::string &text, Position valueEnd) {
  INIEntry::Source source{std::string(keyEnd, valueStart), std::string(valueStart, valueEnd), text};
  target->AddEntry(sectionName, keyName, pendingComments, text, std::move(source));
  pendingComments.clear();
}

bool INIFile::ParseText(const std::string &text, std::size_t *stop) {
  // The text counts up to its first null character.
  const char *first = text.c_str();
  const char *last = first + std::strlen(first);
  INIParser parser(this);
  const classic::parse_info<const char *> info = classic::parse(first, last, parser);
  parser.EndPass();
  if (stop) *stop = static_cast<std::size_t>(info.stop - first);
  return info.full;
}

bool INIFile::LoadFromFile(const std::string &path, INIReadOutcome *outcome) {
  // Every line of the file, the last one included, is read as ending with a
  // line feed; a file that cannot be read contributes what was read of it.
  std::string text;
  const TextFileRead read = ReadTextFile(path, text);
  text += '\n';
  std::size_t stop = 0;
  const bool parsed = ParseText(text, &stop);

  if (outcome) {
    // The earliest place where the file stops being read as written: where
    // the grammar stopped, the NUL byte that ends its text, or a carriage
    // return that the user's editor takes for a line end and the grammar
    // for a blank or part of a value.
    const std::size_t carriageReturn = text.find('\r');
    *outcome = INIReadOutcome();
    if (read == TextFileRead::Missing)
      outcome->status = INIReadOutcome::Missing;
    else if (read == TextFileRead::Failed)
      outcome->status = INIReadOutcome::Unreadable;
    else if (carriageReturn != std::string::npos && carriageReturn <= stop)
      *outcome = INIReadOutcome::StoppedAt(text, carriageReturn, INIReadOutcome::LoneCarriageReturn);
    else if (stop < text.size())
      *outcome = INIReadOutcome::StoppedAt(
          text, stop, text[stop] == '\0' ? INIReadOutcome::NullByte : INIReadOutcome::NotInGrammar);
  }
  return read == TextFileRead::Read && parsed;
}
