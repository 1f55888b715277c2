// The host's few dealings with the file system and the process: a fresh
// working directory seeded with the example settings and script, the
// current directory, and where the executable lives.
#ifndef QUILLMERE_SIM_WORK_DIRECTORY_H
#define QUILLMERE_SIM_WORK_DIRECTORY_H

#include <string>
#include <vector>

namespace quillmere::sim {

// Makes a new empty directory under the system's temporary directory.
// Empty on failure, with the reason in `why`.
std::string MakeTemporaryDirectory(std::string &why);

// Copies a file; false with the reason in `why`.
bool CopyFileTo(const std::string &from, const std::string &to, std::string &why);

bool ChangeDirectory(const std::string &dir, std::string &why);
bool IsDirectory(const std::string &path);
bool IsFile(const std::string &path);
// The path made absolute against the current directory.
std::string AbsolutePath(const std::string &path);
// The directory that holds the running executable, or empty.
std::string ExecutableDirectory();

// The first of the candidate directories that holds the named file, or empty.
std::string FirstDirectoryHolding(const std::vector<std::string> &candidates, const std::string &file);

}  // namespace quillmere::sim

#endif
