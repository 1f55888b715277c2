#include "WorkDirectory.h"

#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>

namespace quillmere::sim {

std::string MakeTemporaryDirectory(std::string &why) {
  const char *base = std::getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/quillmere-sim-XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (!mkdtemp(buffer.data())) {
    why = "cannot make a directory like " + pattern + ": " + std::strerror(errno);
    return "";
  }
  return buffer.data();
}

bool CopyFileTo(const std::string &from, const std::string &to, std::string &why) {
  std::ifstream in(from, std::ios::binary);
  if (!in) {
    why = "cannot read " + from;
    return false;
  }
  std::ofstream out(to, std::ios::binary | std::ios::trunc);
  if (!out || !(out << in.rdbuf()) || !out.flush()) {
    why = "cannot write " + to;
    return false;
  }
  return true;
}

bool ChangeDirectory(const std::string &dir, std::string &why) {
  if (chdir(dir.c_str()) == 0) return true;
  why = "cannot enter " + dir + ": " + std::strerror(errno);
  return false;
}

bool IsDirectory(const std::string &path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsFile(const std::string &path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string AbsolutePath(const std::string &path) {
  if (!path.empty() && path[0] == '/') return path;
  char cwd[PATH_MAX];
  if (!getcwd(cwd, sizeof cwd)) return path;
  return std::string(cwd) + "/" + path;
}

std::string ExecutableDirectory() {
  char buffer[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return "";
  std::string path(buffer, static_cast<std::size_t>(n));
  auto slash = path.rfind('/');
  return slash == std::string::npos ? "" : path.substr(0, slash);
}

std::string FirstDirectoryHolding(const std::vector<std::string> &candidates, const std::string &file) {
  for (const std::string &dir : candidates)
    if (!dir.empty() && IsFile(dir + "/" + file)) return dir;
  return "";
}

}  // namespace quillmere::sim
