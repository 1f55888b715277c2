// One key of a settings section: the key, the comment lines written above it
// and its value, all kept as the file's own narrow text.
#ifndef QUILLMERE_CONFIG_INIENTRY_H
#define QUILLMERE_CONFIG_INIENTRY_H

#include <optional>
#include <string>
#include <vector>

struct INIEntry {
  // How an entry read from a file was written there, so that the writer can
  // give it back byte for byte while its value is unchanged: other programs'
  // numbers keep their text (1.10, 007, +5) and a quoted value its quotes.
  struct Source {
    // What stood between the key and the value: "=" with the blanks and
    // line ends around it.
    std::string separator;
    // The value's own text, quotes and escapes included.
    std::string text;
    // The value that text was read as.
    std::string value;
  };

  std::string key;
  // Each comment line without its leading ';' and without the line end.
  std::vector<std::string> comments;
  // The value text; may be empty and may hold line feeds.
  std::string value;
  // Present for an entry read from a file.
  std::optional<Source> source;
};

#endif
