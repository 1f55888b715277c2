// The program's settings, kept in "quillmere.ini" in the current directory:
// the main window's geometry, two start-up options and the script's path.
// The document keeps everything else the file holds (comments, other keys
// and sections) and writes it back unchanged.
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
  static constexpr const char* FileName = "quillmere.ini";

  QuillmereProfile();
  virtual ~QuillmereProfile();

  // Reads the settings file into the document and the fields below. Reads
  // are find-or-insert, so afterwards the document holds [Window] with the
  // six keys and [Path] with FilterPath. Never throws a conversion failure:
  // each geometry key that does not read as an integer takes its default.
  // Always true; a missing or partly readable file is not an error, and
  // what was read is used. ReadOutcome tells how far reading got.
  virtual bool Load();
  // Stores the four geometry fields in the document and writes the whole
  // document back; the options and the path keep the text they had. False
  // when the file could not be replaced; it then keeps its old content.
  // A file that Load could not read completely is never replaced: what was
  // read of it is not all it holds. Save then writes nothing and gives false.
  virtual bool Save();

  const INIReadOutcome& ReadOutcome() const { return readOutcome; }
  // Whether Save may replace the file: Load read all of it, or found none.
  bool MayReplaceFile() const;
  // One line for the log on what Load found, naming the file; empty when
  // the file was read completely.
  std::string LoadReport() const;

  int Left;
  int Top;
  int Width;
  int Height;
  bool ShowTrayIcon;
  bool StartMinimize;
  std::string FilterPath;

 private:
  INIReadOutcome readOutcome;
};

#endif
