#include "shell/ProgramLocale.h"

#include <locale>
#include <stdexcept>

std::string SetProgramLocale() {
  for (const char *name : {"japanese", "ja_JP.UTF-8", "ja_JP.utf8", "C.UTF-8"}) {
    try {
      std::locale::global(std::locale(name));
      return name;
    } catch (const std::runtime_error &) {
      // An unknown name: try the next one.
    }
  }
  return std::string();
}
