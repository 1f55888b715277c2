// The grammar of settings files, written with Boost.Spirit (classic). One
// parser object serves one pass over a text and holds all state of that
// pass; its semantic actions add each entry to the target document the
// moment its value has been recognised, so everything read before the place
// where a pass stops stays in the document.
#ifndef QUILLMERE_CONFIG_INIPARSER_H
#define QUILLMERE_CONFIG_INIPARSER_H

#include <string>
#include <vector>

#include <boost/function.hpp>
#include <boost/spirit/include/classic_grammar.hpp>

class INIFile;

class INIParser : public boost::spirit::classic::grammar<INIParser> {
 public:
  // `target` receives the entries; it is not owned.
  explicit INIParser(INIFile *target);

  // Called once the pass is over: comments read after the last entry of the
  // text are kept at the end of its section.
  void EndPass();

  // Semantic action invoked with the first and last position of the text a
  // parser matched; calls `function` with the parser and that range.
  template <typename IteratorT>
  struct BindFromTo {
    typedef boost::function<void(INIParser &, IteratorT, IteratorT)> Function;
    BindFromTo(INIParser *parser, const Function &function) : parser(parser), function(function) {}
    void operator()(IteratorT first, IteratorT last) const { function(*parser, first, last); }
    INIParser *parser;
    Function function;
  };

  // Semantic action invoked with one parsed value (a character, an integer
  // or a real); calls `function` with the parser and that value.
  template <typename ValueT>
  struct BindOne {
    typedef boost::function<void(INIParser &, ValueT)> Function;
    BindOne(INIParser *parser, const Function &function) : parser(parser), function(function) {}
    void operator()(ValueT value) const { function(*parser, value); }
    INIParser *parser;
    Function function;
  };

  // The rules; defined in INIParser.cpp, the only place that runs a pass.
  template <typename ScannerT>
  struct definition;

 private:
  typedef const char *Position;

  void StartName(char c);
  void AppendName(char c);
  void EndName(Position, Position);
  void BeginSection(Position, Position);
  void OpenSection(Position, Position);
  void SetKey(Position, Position last);
  void StartValue(Position first, Position);
  void SetInt(int value);
  void SetReal(double value);
  void SetBool(Position first, Position last);
  void ClearValue(Position, Position);
  void AppendValue(char c);
  void EndValue(Position, Position);
  void ClearComment(Position, Position);
  void AppendComment(char c);
  void EndComment(Position, Position);
  void AddInt(Position, Position);
  void AddReal(Position, Position);
  void AddBool(Position, Position);
  void AddString(Position, Position);
  // Adds the entry with the value `text`, and with how it was written: the
  // text from the key's end to `valueEnd`.
  void AddCurrent(const std::string &text, Position valueEnd);
  // Moves the pending comments to the end of the current section, which
  // keeps them when no entry follows them (a section holding only comments
  // included).
  void KeepTrailingComments();

  INIFile *target;
  // Characters of the identifier, string value and comment last read, each
  // followed by a terminating null once complete.
  std::vector<char> nameBuffer;
  std::vector<char> valueBuffer;
  // Comments read since the last entry was added or the last section header.
  std::vector<std::string> pendingComments;
  std::vector<char> commentBuffer;
  int intValue;
  double realValue;
  bool boolValue;
  std::string sectionName;
  std::string keyName;
  // Where the key last read ends and where its value begins in the text.
  Position keyEnd;
  Position valueStart;
  // Whether the header last read was followed by its line end, which brings
  // its section into being, empty until entries follow. A header the pass
  // stopped at makes no section.
  bool sectionOpen;
};

#endif
