// The program's locale: the named "japanese" locale where it exists, the
// closest available one elsewhere, never an exception.
#include <gtest/gtest.h>

#include <clocale>
#include <locale>
#include <string>

#include "shell/ProgramLocale.h"

namespace {

bool Exists(const char *name) {
  try {
    std::locale probe(name);
    return true;
  } catch (const std::runtime_error &) {
    return false;
  }
}

TEST(ProgramLocale, TakesTheFirstAvailableNameAndMakesItTheProcessDefault) {
  std::string expected;
  for (const char *name : {"japanese", "ja_JP.UTF-8", "ja_JP.utf8", "C.UTF-8"})
    if (expected.empty() && Exists(name)) expected = name;
  std::string taken = SetProgramLocale();
  EXPECT_EQ(taken, expected);
  if (!taken.empty()) {
    EXPECT_EQ(std::locale().name(), taken);
    EXPECT_EQ(std::string(std::setlocale(LC_ALL, nullptr)), taken);  // the C library follows
  }
  std::locale::global(std::locale::classic());
}

}  // namespace
