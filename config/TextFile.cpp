#include "config/TextFile.h"

#include <share.h>
#include <windows.h>

#include <cerrno>
#include <cstdio>

#include "config/CFile.h"
#include "config/LinkTarget.h"
#include "config/TemporaryFile.h"

TextFileRead ReadTextFile(const std::string &path, std::string &text) {
  text.clear();
  errno = 0;
  const CFile file(_fsopen(path.c_str(), "rb", _SH_DENYNO));
  if (!file) return errno == ENOENT ? TextFileRead::Missing : TextFileRead::Failed;
  std::string raw;
  char chunk[4096];
  std::size_t count;
  while ((count = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) raw.append(chunk, count);
  const bool failed = std::ferror(file.get()) != 0;

  text.reserve(raw.size());
  for (std::string::size_type i = 0; i < raw.size(); ++i)
    if (!(raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n')) text += raw[i];
  return failed ? TextFileRead::Failed : TextFileRead::Read;
}

bool ReplaceTextFile(const std::string &path, const std::string &text) {
  // A linked file is replaced where it lives; the link stays as it is.
  std::string target;
  if (!FollowLinks(path, target)) return false;
  TemporaryFile temporary(target);
  return temporary.IsOpen() && temporary.WriteAndClose(text) && temporary.MoveOnto(target);
}
