#include "config/INISection.h"

INISection::~INISection() {}

INIEntry *INISection::Find(const std::string &key) {
  for (INIEntry &entry : entries)
    if (entry.key == key) return &entry;
  return nullptr;
}

std::string INISection::GetValue(const std::string &key) {
  if (const INIEntry *entry = Find(key)) return entry->value;
  entries.push_back(INIEntry{key, {}, std::string(), std::nullopt});
  return std::string();
}

void INISection::SetValue(const std::string &key, const std::string &value) {
  if (INIEntry *entry = Find(key))
    entry->value = value;
  else
    entries.push_back(INIEntry{key, {}, value, std::nullopt});
}

bool INISection::GetBool(const std::string &key) {
  const std::string text = GetValue(key);
  return text == "true" || text == "True";
}
