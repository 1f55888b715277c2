// Renders a settings document as text and writes it to its file.
//
// Layout: "[name]" per section, then for each entry its comments as ";text"
// lines and "key=value", then the section's trailing comments, then one
// empty line after every section. An entry read from a file keeps the blanks
// it had around "=", and while its value is unchanged also the value's own
// text. The text uses line feeds only (text mode makes them the platform's
// line end when the file is written).
#include <boost/algorithm/string/replace.hpp>

#include "config/INIFile.h"
#include "config/INISection.h"
#include "config/TextFile.h"

namespace {

// Whether the loader reads "k=<text>" inside a section completely, as one
// entry holding `value`.
bool ReadsBackAs(const std::string &text, const std::string &value) {
  INIFile probe;
  if (!probe.ParseText("[s]\nk=" + text + "\n") || probe.sections.size() != 1) return false;
  const std::vector<INIEntry> &entries = probe.sections.front().second->entries;
  return entries.size() == 1 && entries.front().value == value;
}

// The value written between double-quotes, where the loader keeps line
// feeds, blanks at the start and digits as they are; a double-quote inside
// is escaped with a backslash, the one escape the loader knows.
std::string Quoted(const std::string &value) {
  return '"' + boost::algorithm::replace_all_copy(value, "\"", "\\\"") + '"';
}

// The text of a changed or new value: as it is when the loader reads that
// back unchanged, otherwise quoted. Plain text is not read back when it
// starts with a blank, a number or a boolean the loader converts (2nd.py
// reads as 2, 007 as 7, 0.1 as 0.10000000000000001), or holds a line feed
// or a double-quote. False when neither form reads back: a carriage return
// reads as a line end gone wrong, a NUL byte ends the text, and inside
// quotes a backslash in front of the closing double-quote escapes it.
bool ValueText(const std::string &value, std::string &text) {
  text = value;
  if (value.find('\r') == std::string::npos && ReadsBackAs(text, value)) return true;
  text = Quoted(value);
  return value.find('\r') == std::string::npos && ReadsBackAs(text, value);
}

// Appends the entries of a section; false when a value could not be written
// so that it reads back (it is then written quoted all the same).
bool AppendEntries(const INISection &section, std::string &text) {
  bool faithful = true;
  std::string valueText;
  for (const INIEntry &entry : section.entries) {
    for (const std::string &comment : entry.comments) text += ';' + comment + '\n';
    text += entry.key;
    if (entry.source && entry.source->value == entry.value) {
      text += entry.source->separator + entry.source->text + '\n';
      continue;
    }
    text += entry.source ? entry.source->separator : "=";
    faithful = ValueText(entry.value, valueText) && faithful;
    text += valueText + '\n';
  }
  for (const std::string &comment : section.trailingComments) text += ';' + comment + '\n';
  return faithful;
}

bool AppendDocument(const INIFile &document, std::string &text) {
  bool faithful = true;
  for (const INIFile::NamedSection &named : document.sections) {
    text += '[' + named.first + "]\n";
    faithful = AppendEntries(*named.second, text) && faithful;
    text += '\n';
  }
  return faithful;
}

}  // namespace

std::string INISection::ToText() const {
  std::string text;
  AppendEntries(*this, text);
  return text;
}

std::string INIFile::ToText() const {
  std::string text;
  AppendDocument(*this, text);
  return text;
}

bool INIFile::SaveToFile(const std::string &path) const {
  std::string text;
  return AppendDocument(*this, text) && ReplaceTextFile(path, text);
}
