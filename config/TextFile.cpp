#include "config/TextFile.h"

#include <share.h>
#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <memory>

namespace {

struct FileCloser {
  void operator()(FILE* file) const { std::fclose(file); }
};

}  // namespace

TextFileRead ReadTextFile(const std::string& path, std::string& text) {
  text.clear();
  errno = 0;
  const std::unique_ptr<FILE, FileCloser> file(_fsopen(path.c_str(), "rb", _SH_DENYNO));
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

bool ReplaceTextFile(const std::string& path, const std::string& text) {
  const std::string temporary = path + ".tmp";
  FILE* file = _fsopen(temporary.c_str(), "w", _SH_DENYNO);
  if (!file) return false;
  bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  written = std::fflush(file) == 0 && written;
  written = std::fclose(file) == 0 && written;
  if (written &&
      MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return true;
  DeleteFileA(temporary.c_str());
  return false;
}
