#include "config/TemporaryFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <random>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

#ifdef _WIN32
// The runtime's text mode writes each line feed as CR LF, the platform's
// line end. _O_EXCL makes the runtime create the file with CREATE_NEW.
constexpr int kCreateFlags = O_WRONLY | O_CREAT | O_EXCL | O_TEXT;
constexpr int kCreateMode = S_IREAD | S_IWRITE;
#else
constexpr int kCreateFlags = O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC;
constexpr int kCreateMode = 0666;  // less the process's umask, as for any new file
#endif

std::string RandomDigits() {
  static const char kHex[] = "0123456789abcdef";
  const std::size_t count = kTemporaryRandomDigits;
  std::random_device random;
  std::string digits;
  while (digits.size() < count)
    for (unsigned int bits = random(), n = 0; n < 8 && digits.size() < count; ++n, bits >>= 4)
      digits += kHex[bits & 0xF];
  return digits;
}

}  // namespace

CFile CreateNewFile(const std::string &name) {
  const int descriptor = open(name.c_str(), kCreateFlags, kCreateMode);
  if (descriptor < 0) return CFile();
  CFile stream(fdopen(descriptor, "w"));
  if (!stream) {
    close(descriptor);
    DeleteFileA(name.c_str());
  }
  return stream;
}

TemporaryFile::TemporaryFile(const std::string &file) {
  for (int attempt = 0; attempt < kTemporaryAttempts && !stream; ++attempt) {
    name = file + '.' + RandomDigits() + kTemporarySuffix;
    errno = 0;
    stream = CreateNewFile(name);
    // Only a name that is taken is worth another try.
    if (!stream && errno != EEXIST) break;
  }
  created = static_cast<bool>(stream);
}

TemporaryFile::~TemporaryFile() {
  stream.reset();
  if (created && !moved) DeleteFileA(name.c_str());
}

bool TemporaryFile::WriteAndClose(const std::string &text) {
  if (!stream) return false;
  bool written = std::fwrite(text.data(), 1, text.size(), stream.get()) == text.size();
  written = std::fflush(stream.get()) == 0 && written;
  written = std::fclose(stream.release()) == 0 && written;
  return written;
}

bool TemporaryFile::MoveOnto(const std::string &target) {
  if (!created || stream || moved) return false;
  moved = MoveFileExA(name.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
  return moved;
}
