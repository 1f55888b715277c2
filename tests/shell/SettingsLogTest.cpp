// What the program tells about its settings file: a file it could not read
// completely is named in the log view at start, with the line where reading
// stopped, and is left byte for byte as it was at exit; a missing file is
// told and then written.
#include <string>

#include "ProgramFixture.h"
#include "module/LogBuffer.h"

using namespace winsim::driver;

namespace {

// The log outlives each run of the program in the process; every test's
// script writes a line of its own, and what the program wrote at start is
// found right in front of it.
std::string LoggingScript(const std::string &marker) {
  return "import Quillmere\nQuillmere.log(u'" + marker + "')\ndef configure():\n    return ([],)\n";
}

class SettingsLog : public ProgramTest {
 protected:
  // The line in front of the last occurrence of the marker's line, with its
  // line end; empty when there is none.
  std::wstring LineBefore(const std::wstring &marker) {
    const std::wstring log = Log();
    const std::size_t at = log.rfind(marker + L"\r\n");
    EXPECT_NE(at, std::wstring::npos) << "the script did not run";
    if (at == std::wstring::npos || at < 2) return std::wstring();
    const std::size_t start = log.rfind(L"\r\n", at - 3);
    return log.substr(start == std::wstring::npos ? 0 : start + 2, at - (start == std::wstring::npos ? 0 : start + 2));
  }
  // The log as the program keeps it, also after its window is gone.
  static std::wstring KeptLog() { return LogBuffer::Instance().Text(); }
  // Closes the program with its exit command; gives the log lines added meanwhile.
  std::wstring Exit() {
    const std::wstring before = KeptLog();
    EXPECT_TRUE(ChooseMenuCommand(main, 105));
    EXPECT_EQ(Join(), 0);
    const std::wstring after = KeptLog();
    return after.size() >= before.size() ? after.substr(before.size()) : after;
  }
};

TEST_F(SettingsLog, APartlyReadFileIsToldAtStartAndLeftAsItWasAtExit) {
  const std::string settings =
      "[Path]\nFilterPath=script.py\n\n[Window]\nLeft=10\nTop=20\n# size below\nWidth=400\nHeight=300\n";
  WriteFile("quillmere.ini", settings);
  WriteScript(LoggingScript("partly read"));
  Start();
  // In the log view, before anything the script writes.
  EXPECT_EQ(LineBefore(L"partly read"),
            L"quillmere.ini: reading stopped at line 7: \"# size below\"; what was read before is used, "
            L"and the file is left as it is at exit\r\n");

  EXPECT_EQ(Exit(), L"quillmere.ini was left byte for byte as it was: it was not read completely at start\r\n");
  EXPECT_EQ(ReadFile("quillmere.ini"), settings);
}

TEST_F(SettingsLog, AMissingFileIsToldAndWrittenAtExit) {
  Start();
  const std::wstring log = Log();
  EXPECT_NE(log.find(L"quillmere.ini not found: the default settings are used, and the file is written at exit\r\n"
                     L"No script file is named (FilterPath is empty): no script runs\r\n"),
            std::wstring::npos)
      << std::string(log.begin(), log.end());

  EXPECT_EQ(Exit().find(L"quillmere.ini"), std::wstring::npos);
  EXPECT_EQ(ReadFile("quillmere.ini").substr(0, 9), "[Window]\n");
}

TEST_F(SettingsLog, ACompletelyReadFileIsNotMentionedAndIsSaved) {
  WriteSettings(10, 20, 400, 300, false, false);
  WriteScript(LoggingScript("read completely"));
  Start();
  EXPECT_NE(LineBefore(L"read completely").substr(0, 13), L"quillmere.ini");
  EXPECT_EQ(Exit().find(L"quillmere.ini"), std::wstring::npos);
  EXPECT_NE(ReadFile("quillmere.ini").find("Left=10\nTop=20\nWidth=400\nHeight=300\n"), std::string::npos);
}

// The user edits the file while the program runs: a file still read
// completely keeps the edits and gets the window's rectangle; one that no
// longer reads to its end is left as it is, and the log says where reading
// stopped.
TEST_F(SettingsLog, EditsMadeWhileTheProgramRunsAreKeptAtExit) {
  WriteSettings(10, 20, 400, 300, false, false);
  WriteScript(LoggingScript("edited meanwhile"));
  Start();
  const std::string edited =
      "[Window]\nLeft=10\nTop=20\nWidth=400\nHeight=300\nShowTrayIcon=true\nStartMinimize=false\n\n"
      "[Path]\n;changed while running\nFilterPath=\"2nd.py\"\n\n";
  WriteFile("quillmere.ini", edited);
  EXPECT_EQ(Exit().find(L"quillmere.ini"), std::wstring::npos);
  EXPECT_EQ(ReadFile("quillmere.ini"), edited);
}

TEST_F(SettingsLog, AFileNoLongerReadCompletelyAtExitIsLeftAsItWasAndTold) {
  WriteSettings(10, 20, 400, 300, false, false);
  WriteScript(LoggingScript("broken meanwhile"));
  Start();
  const std::string broken = "[Window]\nLeft=10\n# moved\nTop=20\n";
  WriteFile("quillmere.ini", broken);
  EXPECT_EQ(Exit(),
            L"quillmere.ini was left byte for byte as it was: reading it again at exit stopped at line 3: "
            L"\"# moved\"\r\n");
  EXPECT_EQ(ReadFile("quillmere.ini"), broken);
}

}  // namespace
