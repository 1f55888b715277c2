// Renders a settings document as text and writes it to its file.
//
// Layout: "[name]" per section, then for each entry its comments as ";text"
// lines and "key=value", then the section's trailing comments, then one
// empty line after every section. No blanks
// around "="; the text uses line feeds only (text mode makes them the
// platform's line end when the file is written).
#include <boost/algorithm/string/predicate.hpp>
#include <boost/algorithm/string/replace.hpp>

#include "config/INIFile.h"
#include "config/INISection.h"
#include "config/TextFile.h"

namespace {

// A value holding a line feed is written between double-quotes, where the
// loader keeps line feeds. So is one holding a double-quote: written plainly
// it would end the value early and stop the next load right there. Inside the
// quotes a double-quote is escaped with a backslash, the one escape the
// loader knows; nothing else is escaped.
std::string ValueText(const std::string& value) {
  if (!boost::algorithm::contains(value, "\n") && !boost::algorithm::contains(value, "\""))
    return value;
  return '"' + boost::algorithm::replace_all_copy(value, "\"", "\\\"") + '"';
}

}  // namespace

std::string INISection::ToText() const {
  std::string text;
  for (const INIEntry& entry : entries) {
    for (const std::string& comment : entry.comments) text += ';' + comment + '\n';
    text += entry.key + '=' + ValueText(entry.value) + '\n';
  }
  for (const std::string& comment : trailingComments) text += ';' + comment + '\n';
  return text;
}

std::string INIFile::ToText() const {
  std::string text;
  for (const NamedSection& named : sections) text += '[' + named.first + "]\n" + named.second->ToText() + '\n';
  return text;
}

bool INIFile::SaveToFile(const std::string& path) const { return ReplaceTextFile(path, ToText()); }
