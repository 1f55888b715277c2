#include "config/QuillmereProfile.h"

#include "config/INITypedAccess.h"

namespace {

int ReadGeometry(INISection* window, const char* key, int fallback) {
  try {
    return GetAs<int>(window, key);
  } catch (const boost::bad_lexical_cast&) {
    return fallback;
  }
}

}  // namespace

QuillmereProfile::QuillmereProfile()
    : Left(DefaultLeft),
      Top(DefaultTop),
      Width(DefaultWidth),
      Height(DefaultHeight),
      ShowTrayIcon(false),
      StartMinimize(false) {}

QuillmereProfile::~QuillmereProfile() {}

bool QuillmereProfile::Load() {
  readOutcome = INIReadOutcome();
  LoadFromFile(FileName, &readOutcome);
  INISection* window = GetSection("Window");
  Left = ReadGeometry(window, "Left", DefaultLeft);
  Top = ReadGeometry(window, "Top", DefaultTop);
  Width = ReadGeometry(window, "Width", DefaultWidth);
  Height = ReadGeometry(window, "Height", DefaultHeight);
  ShowTrayIcon = window->GetBool("ShowTrayIcon");
  StartMinimize = window->GetBool("StartMinimize");
  FilterPath = GetAs<std::string>(GetSection("Path"), "FilterPath");
  return true;
}

bool QuillmereProfile::Save() {
  if (!MayReplaceFile()) return false;
  INISection* window = GetSection("Window");
  SetAs<int>(Left, window, "Left");
  SetAs<int>(Top, window, "Top");
  SetAs<int>(Width, window, "Width");
  SetAs<int>(Height, window, "Height");
  return SaveToFile(FileName);
}

bool QuillmereProfile::MayReplaceFile() const {
  return readOutcome.status == INIReadOutcome::Complete || readOutcome.status == INIReadOutcome::Missing;
}

std::string QuillmereProfile::LoadReport() const {
  const std::string file = FileName;
  switch (readOutcome.status) {
    case INIReadOutcome::Missing:
      return file + " not found: the default settings are used, and the file is written at exit";
    case INIReadOutcome::Unreadable:
      return file + " cannot be read: the default settings are used, and the file is left as it is at exit";
    case INIReadOutcome::Stopped:
      return file + ": reading stopped at " + readOutcome.Describe() +
             "; what was read before is used, and the file is left as it is at exit";
    case INIReadOutcome::Complete:
      break;
  }
  return std::string();
}
