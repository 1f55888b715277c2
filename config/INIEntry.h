// One key of a settings section: the key, the comment lines written above it
// and its value, all kept as the file's own narrow text.
#ifndef QUILLMERE_CONFIG_INIENTRY_H
#define QUILLMERE_CONFIG_INIENTRY_H

#include <string>
#include <vector>

struct INIEntry {
  std::string key;
  // Each comment line without its leading ';' and without the line end.
  std::vector<std::string> comments;
  // The value text; may be empty and may hold line feeds.
  std::string value;
};

#endif
