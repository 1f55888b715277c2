// Helpers shared by the configuration tests.
#ifndef QUILLMERE_TESTS_CONFIG_TESTSUPPORT_H
#define QUILLMERE_TESTS_CONFIG_TESTSUPPORT_H

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <string>

#ifndef _WIN32
#include <sys/resource.h>

#include <csignal>
#endif

#include "config/INIFile.h"

namespace configtest {

// A fresh directory of its own for one test, removed afterwards. With
// `enter`, it is also the current directory meanwhile, where the profile
// keeps its settings file.
class ScratchDirectory {
 public:
  explicit ScratchDirectory(bool enter = false) : previous_(std::filesystem::current_path()), entered_(enter) {
    std::random_device random;
    path_ = std::filesystem::temp_directory_path() /
            ("quillmere_config_" + std::to_string(random()) + "_" + std::to_string(random()));
    std::filesystem::create_directories(path_);
    if (entered_) std::filesystem::current_path(path_);
  }
  ~ScratchDirectory() {
    std::error_code ignored;
    if (entered_) std::filesystem::current_path(previous_, ignored);
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchDirectory(const ScratchDirectory &) = delete;
  ScratchDirectory &operator=(const ScratchDirectory &) = delete;

  std::string operator/(const std::string &name) const { return (path_ / name).string(); }
  const std::filesystem::path &path() const { return path_; }

 private:
  std::filesystem::path previous_;
  std::filesystem::path path_;
  bool entered_;
};

inline std::string ReadBytes(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A text as the settings writer puts it in a file: with the platform's line
// end, which text mode makes CR LF on Windows.
inline std::string Written(const std::string &text) {
#ifdef _WIN32
  std::string result;
  for (char c : text) {
    if (c == '\n') result += '\r';
    result += c;
  }
  return result;
#else
  return text;
#endif
}

inline void WriteBytes(const std::string &path, const std::string &bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

// The names in a directory, to see that no temporary file was left behind.
inline std::set<std::string> FileNames(const std::filesystem::path &directory) {
  std::set<std::string> names;
  for (const auto &item : std::filesystem::directory_iterator(directory)) names.insert(item.path().filename().string());
  return names;
}

#ifndef _WIN32
// Lowers the process's file-size limit for the scope, with SIGXFSZ ignored,
// so that a write beyond the limit fails with EFBIG instead of ending the
// process.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit lowered = saved_;
    lowered.rlim_cur = bytes;
    active_ = setrlimit(RLIMIT_FSIZE, &lowered) == 0;
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, previousHandler_);
  }
  FileSizeLimit(const FileSizeLimit &) = delete;
  FileSizeLimit &operator=(const FileSizeLimit &) = delete;
  bool active() const { return active_; }

 private:
  rlimit saved_{};
  void (*previousHandler_)(int) = SIG_DFL;
  bool active_ = false;
};
#endif

// The document as one line: "[name]" per section, "(;comment... key=<value>)"
// per entry and "{;comment}" per trailing comment of a section, so that tests
// see order, comments and exact values at once.
inline std::string Describe(const INIFile &document) {
  std::string text;
  for (const INIFile::NamedSection &named : document.sections) {
    text += '[' + named.first + ']';
    for (const INIEntry &entry : named.second->entries) {
      text += '(';
      for (const std::string &comment : entry.comments) text += ';' + comment + ' ';
      text += entry.key + "=<" + entry.value + ">)";
    }
    for (const std::string &comment : named.second->trailingComments) text += "{;" + comment + '}';
  }
  return text;
}

}  // namespace configtest

#endif
