#include "shell/ScriptSaveSettle.h"

ScriptFileStamp ReadScriptFileStamp(const char *path) {
  ScriptFileStamp stamp;
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!path || !*path || !GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return stamp;
  stamp.exists = true;
  stamp.writeTime = (static_cast<unsigned long long>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                    data.ftLastWriteTime.dwLowDateTime;
  stamp.size = (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  return stamp;
}

ScriptSaveSettle::Step ScriptSaveSettle::Settled(const ScriptFileStamp &now) {
  if (now != seen_) {
    seen_ = now;
    return Step::Wait;
  }
  return now != loaded_ ? Step::Reload : Step::Idle;
}
