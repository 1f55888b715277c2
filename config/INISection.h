// A named group of entries in a settings document, in insertion order.
#ifndef QUILLMERE_CONFIG_INISECTION_H
#define QUILLMERE_CONFIG_INISECTION_H

#include <string>
#include <vector>

#include "config/INIEntry.h"

class INISection {
 public:
  virtual ~INISection();

  // Reads are find-or-insert: a key the section does not hold is appended
  // with the empty value, so a document written after reading holds every
  // key the program asked for. Keys may repeat; reads and writes act on the
  // first entry with the key. Keys compare byte for byte.
  std::string GetValue(const std::string &key);
  // Replaces the value of the first entry with the key, keeping its place and
  // its comments, or appends a new entry.
  void SetValue(const std::string &key, const std::string &value);
  // True for the texts "true" and "True" only.
  bool GetBool(const std::string &key);

  // The entries as settings text (INIWriter.cpp).
  std::string ToText() const;

  std::vector<INIEntry> entries;
  // Comment lines after the last entry (without ';' and line end), written
  // after the entries.
  std::vector<std::string> trailingComments;

 private:
  INIEntry *Find(const std::string &key);
};

#endif
