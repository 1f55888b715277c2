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

  QuillmereProfile();
  virtual ~QuillmereProfile();

  // Reads the settings file into the document and the fields below. Reads
  // are find-or-insert, so afterwards the document holds [Window] with the
  // six keys and [Path] with FilterPath. Never throws a conversion failure:
  // each geometry key that does not read as an integer takes its default.
  // Always true; a missing or partly readable file is not an error.
  virtual bool Load();
  // Stores the four geometry fields in the document and writes the whole
  // document back; the options and the path keep the text they had. False
  // when the file could not be replaced; it then keeps its old content.
  virtual bool Save();

  int Left;
  int Top;
  int Width;
  int Height;
  bool ShowTrayIcon;
  bool StartMinimize;
  std::string FilterPath;
};

#endif
