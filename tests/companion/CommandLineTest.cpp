// The companion's command line: the program's name as the system writes
// it, then exactly the program's process id and window, both decimal and
// 32-bit; anything else is refused rather than guessed at.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "companion/Companion.h"

namespace {

TEST(CompanionCommandLine, ReadsTheProcessAndTheWidenedWindow) {
  CompanionArguments arguments;
  ASSERT_TRUE(ParseCompanionCommandLine(L"\"C:\\Program Files\\Quillmere\\quillmere32.exe\" 4242 131172", arguments));
  EXPECT_EQ(arguments.programProcess, 4242u);
  EXPECT_EQ(arguments.programWindow, reinterpret_cast<HWND>(static_cast<UINT_PTR>(131172)));
  ASSERT_TRUE(ParseCompanionCommandLine(L"quillmere32.exe\t7  \t2147483664  ", arguments));
  EXPECT_EQ(arguments.programProcess, 7u);
  // 0x80000010: a handle with the sign bit, as 64-bit code knows it.
  EXPECT_EQ(arguments.programWindow, reinterpret_cast<HWND>(static_cast<INT_PTR>(static_cast<LONG>(0x80000010u))));
  ASSERT_TRUE(ParseCompanionCommandLine(L"q.exe 4294967295 4294967295", arguments));
  EXPECT_EQ(arguments.programProcess, 0xFFFFFFFFu);
}

TEST(CompanionCommandLine, RefusesAnythingElseAndLeavesTheArgumentsAlone) {
  const wchar_t *refused[] = {
      L"quillmere32.exe",
      L"quillmere32.exe 12",
      L"quillmere32.exe 12 34 56",
      L"quillmere32.exe 12 0x22",
      L"quillmere32.exe -12 34",
      L"quillmere32.exe 12 34x",
      L"quillmere32.exe 0 34",
      L"quillmere32.exe 12 0",
      L"quillmere32.exe 4294967296 34",
      L"quillmere32.exe 12 99999999999999999999999",
      L"\"quillmere32.exe 12 34",  // the name's quote never closes
      L"",
  };
  for (const wchar_t *line : refused) {
    CompanionArguments arguments;
    arguments.programProcess = 99;
    EXPECT_FALSE(ParseCompanionCommandLine(line, arguments)) << std::wstring(line).size();
    EXPECT_EQ(arguments.programProcess, 99u);
    EXPECT_EQ(arguments.programWindow, nullptr);
  }
}

}  // namespace
