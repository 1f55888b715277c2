// Where reading is, for error messages: the names of the files read.
#ifndef WINSIM_RC_SOURCE_H
#define WINSIM_RC_SOURCE_H

#include "rc_script.h"

#include <string>
#include <vector>

namespace winsim::rc {

class Source {
 public:
  int Add(const std::string &name) {
    files_.push_back(name);
    return static_cast<int>(files_.size()) - 1;
  }
  [[noreturn]] void Fail(int line, int file, const std::string &message) const {
    if (file > 0) throw ParseError(line, files_[static_cast<size_t>(file)] + ": " + message);
    throw ParseError(line, message);
  }

 private:
  std::vector<std::string> files_{""};
};

}  // namespace winsim::rc

#endif
