// When a change in the script's folder counts as a save of the script: the
// script file's time or size changed, and then held still for one settle
// interval. An editor that saves in two steps (truncate, then write) makes
// two changes within the interval, and so one save.
#ifndef QUILLMERE_SHELL_SCRIPTSAVESETTLE_H
#define QUILLMERE_SHELL_SCRIPTSAVESETTLE_H

#include <windows.h>

// How long the file must hold still before a change counts as a save.
constexpr UINT kScriptSaveSettleMilliseconds = 300;

// What the platform tells of the file: whether it is there, its last
// write time and its size.
struct ScriptFileStamp {
  bool exists = false;
  unsigned long long writeTime = 0;  // in 100-nanosecond units
  unsigned long long size = 0;

  bool operator==(const ScriptFileStamp &other) const {
    return exists == other.exists && writeTime == other.writeTime && size == other.size;
  }
  bool operator!=(const ScriptFileStamp &other) const { return !(*this == other); }
};

// The file's stamp now; one that is not there (or cannot be asked about)
// has exists false.
ScriptFileStamp ReadScriptFileStamp(const char *path);

class ScriptSaveSettle {
 public:
  enum class Step {
    Wait,    // the file moved during the interval: look again after another one
    Reload,  // it held still and differs from what the script was run from
    Idle     // nothing changed that matters: the timer can go
  };

  // The stamp of the file the script was last run from.
  void Loaded(const ScriptFileStamp &stamp) { loaded_ = stamp; }
  // Something changed in the folder: the file's stamp now. The caller
  // (re)starts the settle interval.
  void Changed(const ScriptFileStamp &now) { seen_ = now; }
  // The interval has passed: the file's stamp now. On Reload the caller
  // runs the script again and tells Loaded what it ran.
  Step Settled(const ScriptFileStamp &now);

 private:
  ScriptFileStamp loaded_;
  ScriptFileStamp seen_;
};

#endif
