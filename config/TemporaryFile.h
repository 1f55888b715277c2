// A file written beside another and then put in its place in one step.
// Its name ends in random hex digits, so that no other program can have
// placed a file or a link there in advance, and it is created new: an
// existing name, a symbolic link included, is never opened.
#ifndef QUILLMERE_CONFIG_TEMPORARYFILE_H
#define QUILLMERE_CONFIG_TEMPORARYFILE_H

#include <string>

#include "config/CFile.h"

// Names are "<file>.<kTemporaryRandomDigits hex digits><kTemporarySuffix>";
// a name taken already is followed by another, up to kTemporaryAttempts.
constexpr const char *kTemporarySuffix = ".tmp";
constexpr int kTemporaryRandomDigits = 16;
constexpr int kTemporaryAttempts = 16;

// Opens `name` for writing in text mode as a file created by this call.
// Null, opening nothing, when anything already has that name (a file, a
// directory, a symbolic link, which is not followed) or it cannot be
// created.
CFile CreateNewFile(const std::string &name);

class TemporaryFile {
 public:
  // Creates the file beside `file`; IsOpen tells whether that worked.
  explicit TemporaryFile(const std::string &file);
  // Removes the file unless it was moved into place.
  ~TemporaryFile();
  TemporaryFile(const TemporaryFile &) = delete;
  TemporaryFile &operator=(const TemporaryFile &) = delete;

  bool IsOpen() const { return static_cast<bool>(stream); }
  const std::string &Name() const { return name; }
  // Writes all of `text` and closes the file; false when any of it failed.
  bool WriteAndClose(const std::string &text);
  // Puts the written file in the place of `target` in one step, replacing
  // what is there.
  bool MoveOnto(const std::string &target);

 private:
  std::string name;
  CFile stream;
  bool created = false;
  bool moved = false;
};

#endif
