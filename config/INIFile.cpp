#include "config/INIFile.h"

#include <utility>

INIFile::~INIFile() {}

INISection *INIFile::Find(const std::string &name) {
  for (NamedSection &named : sections)
    if (named.first == name) return named.second.get();
  return nullptr;
}

INISection *INIFile::GetSection(const std::string &name) {
  if (INISection *section = Find(name)) return section;
  boost::shared_ptr<INISection> section(new INISection);
  sections.push_back(NamedSection(name, section));
  return section.get();
}

void INIFile::AddEntry(const std::string &sectionName, const std::string &key, const std::vector<std::string> &comments,
                       const std::string &value, std::optional<INIEntry::Source> source) {
  GetSection(sectionName)->entries.push_back(INIEntry{key, comments, value, std::move(source)});
}
