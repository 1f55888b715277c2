#include "config/QuillmereProfile.h"

#include "config/INITypedAccess.h"

namespace {

const char* const SettingsFile = "quillmere.ini";

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
  LoadFromFile(SettingsFile);
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
  INISection* window = GetSection("Window");
  SetAs<int>(Left, window, "Left");
  SetAs<int>(Top, window, "Top");
  SetAs<int>(Width, window, "Width");
  SetAs<int>(Height, window, "Height");
  return SaveToFile(SettingsFile);
}
