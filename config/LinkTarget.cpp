#include "config/LinkTarget.h"

#include <filesystem>
#include <system_error>

bool FollowLinks(const std::string &path, std::string &target) {
  namespace fs = std::filesystem;
  fs::path current(path);
  for (int hop = 0; hop <= kMaxLinkHops; ++hop) {
    std::error_code error;
    if (!fs::is_symlink(fs::symlink_status(current, error))) {
      target = current.string();
      return true;
    }
    const fs::path next = fs::read_symlink(current, error);
    if (error) return false;
    current = next.is_absolute() ? next : current.parent_path() / next;
  }
  return false;
}
