// What the host process tells about the program winsim runs in it: its
// executable's path and its command line, widened from UTF-8.
#include "desktop.h"

#include <unistd.h>

#include <fstream>
#include <iterator>

namespace winsim {

namespace {

// Decodes UTF-8; a byte that starts no valid sequence becomes U+FFFD.
std::wstring Widen(const std::string &s) {
  std::wstring out;
  for (size_t i = 0; i < s.size();) {
    const unsigned char b0 = static_cast<unsigned char>(s[i]);
    const int extra = b0 < 0x80 ? 0 : (b0 & 0xE0) == 0xC0 ? 1 : (b0 & 0xF0) == 0xE0 ? 2 : (b0 & 0xF8) == 0xF0 ? 3 : -1;
    char32_t cp = extra == 0 ? b0 : extra == 1 ? (b0 & 0x1F) : extra == 2 ? (b0 & 0x0F) : (b0 & 0x07);
    bool valid = extra >= 0 && i + static_cast<size_t>(extra) < s.size();
    for (int k = 1; valid && k <= extra; ++k) {
      const unsigned char b = static_cast<unsigned char>(s[i + static_cast<size_t>(k)]);
      if ((b & 0xC0) != 0x80) valid = false;
      cp = (cp << 6) | (b & 0x3F);
    }
    if (!valid) {
      out += L'\xFFFD';
      ++i;
      continue;
    }
    out += static_cast<wchar_t>(cp);
    i += static_cast<size_t>(extra) + 1;
  }
  return out;
}

}  // namespace

std::wstring HostExecutablePath() {
  std::string path(4096, '\0');
  const ssize_t n = readlink("/proc/self/exe", &path[0], path.size());
  path.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return Widen(path);
}

std::wstring HostCommandLine() {
  std::ifstream in("/proc/self/cmdline", std::ios::binary);
  const std::string raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // Arguments are NUL-separated; the command line quotes those with blanks.
  std::wstring line;
  size_t start = 0;
  while (start < raw.size()) {
    size_t end = raw.find('\0', start);
    if (end == std::string::npos) end = raw.size();
    std::wstring arg = Widen(raw.substr(start, end - start));
    if (!line.empty()) line += L' ';
    line += arg.find_first_of(L" \t") == std::wstring::npos && !arg.empty() ? arg : L"\"" + arg + L"\"";
    start = end + 1;
  }
  return line;
}

}  // namespace winsim

DWORD WINAPI GetModuleFileNameW(HMODULE module, LPWSTR fileName, DWORD size) {
  auto self = winsim::CurrentThread();
  if (module && module != self->process->module) return winsim::FailWith<DWORD>(ERROR_MOD_NOT_FOUND, 0);
  const std::wstring path = self->process->imagePath.empty() ? winsim::HostExecutablePath() : self->process->imagePath;
  if (!fileName || size == 0) return winsim::FailWith<DWORD>(ERROR_INSUFFICIENT_BUFFER, 0);
  if (path.size() < size) {
    path.copy(fileName, path.size());
    fileName[path.size()] = L'\0';
    return static_cast<DWORD>(path.size());
  }
  // Too long: cut to what fits with the terminator, as the platform does.
  path.copy(fileName, size - 1);
  fileName[size - 1] = L'\0';
  SetLastError(ERROR_INSUFFICIENT_BUFFER);
  return size;
}
