// How far the loader got: the place where reading stopped, found in the
// file's own lines, and how that place is shown in a message.
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "config/INIFile.h"
#include "config/INIReadOutcome.h"

using configtest::ScratchDirectory;
using configtest::WriteBytes;
using ::testing::StartsWith;

namespace {

INIReadOutcome LoadBytes(const ScratchDirectory &directory, const std::string &bytes) {
  const std::string path = directory / "settings.ini";
  WriteBytes(path, bytes);
  INIFile document;
  INIReadOutcome outcome;
  outcome.status = INIReadOutcome::Missing;  // must be overwritten
  document.LoadFromFile(path, &outcome);
  return outcome;
}

TEST(INIReadOutcome, AFileReadToItsEndIsComplete) {
  ScratchDirectory directory;
  EXPECT_EQ(LoadBytes(directory, "[A]\r\n;c\r\nk=v\r\nq=\"one\r\ntwo\"\r\n").status, INIReadOutcome::Complete);
  EXPECT_EQ(LoadBytes(directory, "").status, INIReadOutcome::Complete);
  EXPECT_EQ(LoadBytes(directory, "[A]\nk=v").status, INIReadOutcome::Complete);
}

TEST(INIReadOutcome, TellsAMissingFileFromOneThatCannotBeRead) {
  ScratchDirectory directory;
  INIFile document;
  INIReadOutcome outcome;
  EXPECT_FALSE(document.LoadFromFile(directory / "absent.ini", &outcome));
  EXPECT_EQ(outcome.status, INIReadOutcome::Missing);

  std::filesystem::create_directory(directory / "folder.ini");
  EXPECT_FALSE(document.LoadFromFile(directory / "folder.ini", &outcome));
  EXPECT_EQ(outcome.status, INIReadOutcome::Unreadable);
}

TEST(INIReadOutcome, NamesTheLineWhereTheGrammarStopped) {
  ScratchDirectory directory;
  INIReadOutcome outcome = LoadBytes(directory, "[A]\nk=1\n\n# note\nm=2\n");
  EXPECT_EQ(outcome.status, INIReadOutcome::Stopped);
  EXPECT_EQ(outcome.cause, INIReadOutcome::NotInGrammar);
  EXPECT_EQ(outcome.line, 4u);
  EXPECT_EQ(outcome.lineText, "# note");

  // The whole entry is given back when what follows its value is not a
  // blank, so the line is the entry's own.
  outcome = LoadBytes(directory, "[A]\nWidth=12px\n");
  EXPECT_EQ(outcome.line, 2u);
  EXPECT_EQ(outcome.lineText, "Width=12px");

  // CR LF line ends count as one line end each.
  outcome = LoadBytes(directory, "[A]\r\nk=1\r\nmy key=2\r\n");
  EXPECT_EQ(outcome.line, 3u);
  EXPECT_EQ(outcome.lineText, "my key=2");
}

TEST(INIReadOutcome, ANulByteOrALoneCarriageReturnStopsReadingThoughTheGrammarReadsOn) {
  ScratchDirectory directory;
  INIReadOutcome outcome = LoadBytes(directory, std::string("[A]\nk=ab\0cd\nm=1\n", 16));
  EXPECT_EQ(outcome.status, INIReadOutcome::Stopped);
  EXPECT_EQ(outcome.cause, INIReadOutcome::NullByte);
  EXPECT_EQ(outcome.line, 2u);
  EXPECT_EQ(outcome.lineText, std::string("k=ab\0cd", 7));

  // The line a lone carriage return ends is shown up to it.
  outcome = LoadBytes(directory, "[A]\nk=1\nm=a\rb\n");
  EXPECT_EQ(outcome.cause, INIReadOutcome::LoneCarriageReturn);
  EXPECT_EQ(outcome.line, 3u);
  EXPECT_EQ(outcome.lineText, "m=a");

  // The earliest place counts.
  outcome = LoadBytes(directory, "[A]\n#x\nm=a\rb\n");
  EXPECT_EQ(outcome.cause, INIReadOutcome::NotInGrammar);
  EXPECT_EQ(outcome.line, 2u);
}

TEST(INIReadOutcome, DescribesTheLineInPrintableAscii) {
  INIReadOutcome outcome = INIReadOutcome::StoppedAt("[A]\n\xEF\xBB\xBFk=\t\"C:\\x\"\n", 4,
                                                     INIReadOutcome::NotInGrammar);
  EXPECT_EQ(outcome.Describe(), "line 2: \"\\xef\\xbb\\xbfk=\\x09\"C:\\x\"\"");
  outcome.cause = INIReadOutcome::NullByte;
  EXPECT_THAT(outcome.Describe(), StartsWith("line 2 (a NUL byte): \"\\xef"));
  outcome.cause = INIReadOutcome::LoneCarriageReturn;
  EXPECT_THAT(outcome.Describe(), StartsWith("line 2 (a carriage return without a line feed): \"\\xef"));

  const std::string longLine(INIReadOutcome::kShownLineBytes + 1, 'x');
  outcome = INIReadOutcome::StoppedAt(longLine, 0, INIReadOutcome::NotInGrammar);
  EXPECT_EQ(outcome.Describe(), "line 1: \"" + longLine.substr(0, INIReadOutcome::kShownLineBytes) + "...\"");
  outcome = INIReadOutcome::StoppedAt(longLine.substr(1), 0, INIReadOutcome::NotInGrammar);
  EXPECT_EQ(outcome.Describe(), "line 1: \"" + longLine.substr(1) + "\"");
}

}  // namespace
