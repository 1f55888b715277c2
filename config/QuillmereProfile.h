// The program's settings, kept in "quillmere.ini" in the current directory:
// the main window's geometry, two start-up options and the script's path.
// The document keeps everything else the file holds (comments, other keys
// and sections) and writes it back unchanged, as the file holds it when the
// program saves.
#ifndef QUILLMERE_CONFIG_QUILLMEREPROFILE_H
#define QUILLMERE_CONFIG_QUILLMEREPROFILE_H

#include <string>

#include "config/INIFile.h"

class QuillmereProfile : public INIFile {
 public:
  // Geometry used for a key of [Window] that is missing, empty or not an
  // integer: a 640 x 480 window at (100, 100), which lies on the primary
  // screen at any resolution the program runs at.
  static constexpr int DefaultLeft = 100;
  static constexpr int DefaultTop = 100;
  static constexpr int DefaultWidth = 640;
  static constexpr int DefaultHeight = 480;

  // The settings file, in the current directory.
  static constexpr const char *FileName = "quillmere.ini";

  QuillmereProfile();
  virtual ~QuillmereProfile();

  // Reads the settings file into the document and the fields below. Reads
  // are find-or-insert, so afterwards the document holds [Window] with the
  // six keys and [Path] with FilterPath. Never throws a conversion failure:
  // each geometry key that does not read as an integer takes its default.
  // Always true; a missing or partly readable file is not an error, and
  // what was read is used. ReadOutcome tells how far reading got.
  virtual bool Load();
  // Writes the four geometry fields into the file as it is now, read
  // again, so that whatever was edited in it meanwhile (the options, the
  // path, anything else) stays; entries the program did not change keep
  // their text. Keys that Load inserted are inserted again when missing.
  // The document itself stays as Load left it. False, writing nothing,
  // when Load could not read the file completely (what was read of it is
  // not all it holds), when it cannot be read completely now, or when it
  // could not be replaced; the file then keeps its content, and SaveReport
  // says which.
  virtual bool Save();

  // Why the last Save wrote nothing.
  enum class SaveRefusal {
    None,            // Save wrote the file (or has not run)
    NotReadAtStart,  // Load did not read the file completely
    NotReadAtSave,   // the file could not be read completely when saving
    NotWritten       // the file could not be replaced
  };

  const INIReadOutcome &ReadOutcome() const { return readOutcome; }
  // Whether Save may replace the file: Load read all of it, or found none.
  bool MayReplaceFile() const;
  // One line for the log on what Load found, naming the file; empty when
  // the file was read completely.
  std::string LoadReport() const;
  SaveRefusal LastSaveRefusal() const { return saveRefusal; }
  // One line for the log on why the last Save wrote nothing, naming the
  // file; empty after a Save that wrote it.
  std::string SaveReport() const;

  int Left;
  int Top;
  int Width;
  int Height;
  bool ShowTrayIcon;
  bool StartMinimize;
  std::string FilterPath;

 private:
  INIReadOutcome readOutcome;
  // How far reading the file at the last Save got.
  INIReadOutcome saveReadOutcome;
  SaveRefusal saveRefusal = SaveRefusal::None;
};

#endif
