// The in-memory form of a settings file: named sections in the order they
// came into being, each holding its entries with their comments, so that a
// file read and written back keeps its layout.
#ifndef QUILLMERE_CONFIG_INIFILE_H
#define QUILLMERE_CONFIG_INIFILE_H

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <boost/shared_ptr.hpp>

#include "config/INIReadOutcome.h"
#include "config/INISection.h"

class INIFile {
 public:
  typedef std::pair<std::string, boost::shared_ptr<INISection>> NamedSection;

  virtual ~INIFile();

  // The section with this name, appended empty at the end when missing.
  // Never null; the pointer stays valid as long as the document.
  INISection *GetSection(const std::string &name);
  // Appends an entry to the named section (creating the section at the end
  // of the document when missing) without looking for the key. Used by the
  // loader, which also gives how the entry was written.
  void AddEntry(const std::string &sectionName, const std::string &key, const std::vector<std::string> &comments,
                const std::string &value, std::optional<INIEntry::Source> source = std::nullopt);

  // Loader (INIParser.cpp). Both add to the document; neither clears it.
  // True when the whole text was read; on false, every entry recognised
  // before the place where reading stopped stays in the document.
  // LoadFromFile tells in `outcome` how far it got: also a NUL byte or a
  // carriage return without a line feed means the file was not read
  // completely, although the grammar gives true for the text before them.
  // ParseText gives in `stop` the offset where the pass ended (the first
  // NUL's, or the text's size, when it read to the end).
  bool LoadFromFile(const std::string &path, INIReadOutcome *outcome = nullptr);
  bool ParseText(const std::string &text, std::size_t *stop = nullptr);

  // Writer (INIWriter.cpp). Every value is written in a form the loader
  // reads back as that same value, and an entry read from a file whose
  // value is unchanged is written as it stood there. SaveToFile replaces the
  // file's content in one step; when that cannot be done, or when a value
  // has no such form (a carriage return or a NUL byte in it, or one that
  // needs quotes and ends with a backslash), it returns false and the file
  // keeps its old content. ToText then writes that value quoted.
  std::string ToText() const;
  bool SaveToFile(const std::string &path) const;

  std::vector<NamedSection> sections;

 private:
  INISection *Find(const std::string &name);
};

#endif
