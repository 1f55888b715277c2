#include "config/QuillmereProfile.h"

#include "config/INITypedAccess.h"

namespace {

int ReadGeometry(INISection *window, const char *key, int fallback) {
  try {
    return GetAs<int>(window, key);
  } catch (const boost::bad_lexical_cast &) {
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
  INISection *window = GetSection("Window");
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
  saveRefusal = SaveRefusal::None;
  saveReadOutcome = INIReadOutcome();
  if (!MayReplaceFile()) {
    saveRefusal = SaveRefusal::NotReadAtStart;
    return false;
  }
  // The file as it is now; a missing one gets the settings as at a first start.
  INIFile current;
  current.LoadFromFile(FileName, &saveReadOutcome);
  if (saveReadOutcome.status != INIReadOutcome::Complete && saveReadOutcome.status != INIReadOutcome::Missing) {
    saveRefusal = SaveRefusal::NotReadAtSave;
    return false;
  }
  // The keys in the order Load asks for them, so that missing ones are
  // added in the same places.
  INISection *window = current.GetSection("Window");
  SetAs<int>(Left, window, "Left");
  SetAs<int>(Top, window, "Top");
  SetAs<int>(Width, window, "Width");
  SetAs<int>(Height, window, "Height");
  window->GetValue("ShowTrayIcon");
  window->GetValue("StartMinimize");
  current.GetSection("Path")->GetValue("FilterPath");
  if (!current.SaveToFile(FileName)) {
    saveRefusal = SaveRefusal::NotWritten;
    return false;
  }
  return true;
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

std::string QuillmereProfile::SaveReport() const {
  const std::string file = FileName;
  switch (saveRefusal) {
    case SaveRefusal::NotReadAtStart:
      return file + " was left byte for byte as it was: it was not read completely at start";
    case SaveRefusal::NotReadAtSave:
      if (saveReadOutcome.status == INIReadOutcome::Stopped)
        return file + " was left byte for byte as it was: reading it again at exit stopped at " +
               saveReadOutcome.Describe();
      return file + " was left as it was: it cannot be read again at exit";
    case SaveRefusal::NotWritten:
      return file + " could not be written: it keeps its old content";
    case SaveRefusal::None:
      break;
  }
  return std::string();
}
