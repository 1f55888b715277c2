// The program's settings: the seven fields, what Save writes back, defaults
// for an unusable geometry, a save that cannot complete, and files that are
// never replaced because they were not read completely.
#include <filesystem>
#include <ostream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "config/QuillmereProfile.h"

using configtest::ReadBytes;
using configtest::ScratchDirectory;
using configtest::WriteBytes;
using configtest::Written;

namespace {

const char kFullSettings[] =
    "[Window]\n"
    "Left=10\n"
    "Top=20\n"
    "Width=800\n"
    "Height=600\n"
    "ShowTrayIcon=true\n"
    "StartMinimize=True\n"
    "\n"
    "[Path]\n"
    "FilterPath=C:\\scripts\\filter.py\n"
    "\n";

// Each test runs in a directory of its own, the current one meanwhile.
class QuillmereProfileTest : public ::testing::Test {
 protected:
  ScratchDirectory directory{true};
};

TEST_F(QuillmereProfileTest, LoadsAllSevenFields) {
  WriteBytes("quillmere.ini", kFullSettings);
  QuillmereProfile profile;
  EXPECT_TRUE(profile.Load());
  EXPECT_EQ(profile.Left, 10);
  EXPECT_EQ(profile.Top, 20);
  EXPECT_EQ(profile.Width, 800);
  EXPECT_EQ(profile.Height, 600);
  EXPECT_TRUE(profile.ShowTrayIcon);
  EXPECT_TRUE(profile.StartMinimize);
  EXPECT_EQ(profile.FilterPath, "C:\\scripts\\filter.py");
  // Nothing was missing, so nothing was added.
  EXPECT_EQ(profile.ToText(), kFullSettings);
  EXPECT_EQ(profile.LoadReport(), "");
}

TEST_F(QuillmereProfileTest, SaveWritesTheGeometryAndNeverTheOptions) {
  WriteBytes("quillmere.ini", kFullSettings);
  QuillmereProfile profile;
  profile.Load();
  profile.Left = 11;
  profile.Top = 22;
  profile.Width = 1280;
  profile.Height = 1024;
  // The program does not change these; if it did, Save would not write them.
  profile.ShowTrayIcon = false;
  profile.StartMinimize = false;
  profile.FilterPath = "other.py";
  EXPECT_TRUE(profile.Save());
  EXPECT_EQ(ReadBytes("quillmere.ini"),
            Written("[Window]\nLeft=11\nTop=22\nWidth=1280\nHeight=1024\nShowTrayIcon=true\nStartMinimize=True\n\n"
                    "[Path]\nFilterPath=C:\\scripts\\filter.py\n\n"));
}

TEST_F(QuillmereProfileTest, OptionsAreTrueForTrueAndTrueCapitalisedOnly) {
  WriteBytes("quillmere.ini", "[Window]\nLeft=0\nTop=0\nWidth=1\nHeight=1\nShowTrayIcon=True\nStartMinimize=TRUE\n");
  QuillmereProfile profile;
  profile.Load();
  EXPECT_TRUE(profile.ShowTrayIcon);
  EXPECT_FALSE(profile.StartMinimize);
  WriteBytes("quillmere.ini", "[Window]\nLeft=0\nTop=0\nWidth=1\nHeight=1\nShowTrayIcon=1\nStartMinimize=true\n");
  QuillmereProfile other;
  other.Load();
  EXPECT_FALSE(other.ShowTrayIcon);
  EXPECT_TRUE(other.StartMinimize);
}

TEST_F(QuillmereProfileTest, AFileWithoutPathGetsAnEmptyPathSectionAfterWindow) {
  WriteBytes("quillmere.ini", "[Window]\nLeft=1\nTop=2\nWidth=3\nHeight=4\nShowTrayIcon=true\nStartMinimize=false\n");
  QuillmereProfile profile;
  profile.Load();
  EXPECT_EQ(profile.FilterPath, "");
  profile.Save();
  EXPECT_EQ(ReadBytes("quillmere.ini"),
            Written("[Window]\nLeft=1\nTop=2\nWidth=3\nHeight=4\nShowTrayIcon=true\nStartMinimize=false\n\n"
                    "[Path]\nFilterPath=\n\n"));
}

TEST_F(QuillmereProfileTest, AMissingOptionReadsFalseAndIsWrittenEmptyAtTheEndOfWindow) {
  WriteBytes("quillmere.ini",
             "[Path]\nFilterPath=f.py\n[Window]\nStartMinimize=true\nLeft=1\nTop=2\nWidth=3\nHeight=4\n");
  QuillmereProfile profile;
  profile.Load();
  EXPECT_FALSE(profile.ShowTrayIcon);
  EXPECT_TRUE(profile.StartMinimize);
  profile.Save();
  EXPECT_EQ(ReadBytes("quillmere.ini"),
            Written("[Path]\nFilterPath=f.py\n\n"
                    "[Window]\nStartMinimize=true\nLeft=1\nTop=2\nWidth=3\nHeight=4\nShowTrayIcon=\n\n"));
}

TEST_F(QuillmereProfileTest, NegativeCoordinatesAreSavedAndReadBack) {
  WriteBytes("quillmere.ini", "[Window]\nLeft=-1920\nTop=-200\nWidth=800\nHeight=600\n");
  QuillmereProfile profile;
  profile.Load();
  EXPECT_EQ(profile.Left, -1920);
  EXPECT_EQ(profile.Top, -200);
  profile.Left = -1000;
  profile.Top = -32000;
  profile.Save();

  QuillmereProfile reread;
  reread.Load();
  EXPECT_EQ(reread.Left, -1000);
  EXPECT_EQ(reread.Top, -32000);
  EXPECT_EQ(reread.Width, 800);
  EXPECT_EQ(reread.Height, 600);
}

TEST_F(QuillmereProfileTest, FirstStartWithoutAFileUsesTheDefaultGeometry) {
  QuillmereProfile profile;
  ASSERT_NO_THROW(profile.Load());
  EXPECT_EQ(profile.LoadReport(),
            "quillmere.ini not found: the default settings are used, and the file is written at exit");
  EXPECT_EQ(profile.Left, QuillmereProfile::DefaultLeft);
  EXPECT_EQ(profile.Top, QuillmereProfile::DefaultTop);
  EXPECT_EQ(profile.Width, QuillmereProfile::DefaultWidth);
  EXPECT_EQ(profile.Height, QuillmereProfile::DefaultHeight);
  EXPECT_FALSE(profile.ShowTrayIcon);
  EXPECT_FALSE(profile.StartMinimize);
  EXPECT_EQ(profile.FilterPath, "");
  EXPECT_TRUE(profile.Save());
  EXPECT_EQ(ReadBytes("quillmere.ini"),
            Written("[Window]\nLeft=100\nTop=100\nWidth=640\nHeight=480\nShowTrayIcon=\nStartMinimize=\n\n"
                    "[Path]\nFilterPath=\n\n"));
}

TEST_F(QuillmereProfileTest, EachUnusableGeometryKeyTakesItsOwnDefault) {
  // Left is not an integer, Top is missing, Width is empty, Height is a real;
  // the options and the path after them are still read.
  WriteBytes("quillmere.ini",
             "[Window]\nLeft=abc\nWidth=\nHeight=12.5\nShowTrayIcon=True\nStartMinimize=true\n"
             "[Path]\nFilterPath=x.py\n");
  QuillmereProfile profile;
  ASSERT_NO_THROW(profile.Load());
  EXPECT_EQ(profile.Left, QuillmereProfile::DefaultLeft);
  EXPECT_EQ(profile.Top, QuillmereProfile::DefaultTop);
  EXPECT_EQ(profile.Width, QuillmereProfile::DefaultWidth);
  EXPECT_EQ(profile.Height, QuillmereProfile::DefaultHeight);
  EXPECT_TRUE(profile.ShowTrayIcon);
  EXPECT_TRUE(profile.StartMinimize);
  EXPECT_EQ(profile.FilterPath, "x.py");

  WriteBytes("quillmere.ini", "[Window]\nLeft=5\nTop=6\nWidth=99999999999\nHeight=7\n");
  QuillmereProfile other;
  other.Load();
  EXPECT_EQ(other.Left, 5);
  EXPECT_EQ(other.Top, 6);
  EXPECT_EQ(other.Width, QuillmereProfile::DefaultWidth);
  EXPECT_EQ(other.Height, 7);
}

TEST_F(QuillmereProfileTest, APartlyReadableFileGivesWhatWasRead) {
  WriteBytes("quillmere.ini", "[Window]\nLeft=3\nTop=4\nWidth=5px\nHeight=6\n[Path]\nFilterPath=x.py\n");
  QuillmereProfile profile;
  EXPECT_TRUE(profile.Load());
  EXPECT_EQ(profile.Left, 3);
  EXPECT_EQ(profile.Top, 4);
  EXPECT_EQ(profile.Width, 5);
  EXPECT_EQ(profile.Height, QuillmereProfile::DefaultHeight);
  EXPECT_EQ(profile.FilterPath, "");
}

#ifndef _WIN32
TEST_F(QuillmereProfileTest, ASaveThatCannotCompleteLeavesTheOldFile) {
  WriteBytes("quillmere.ini", kFullSettings);
  QuillmereProfile profile;
  profile.Load();
  profile.Left = 999;
  {
    // The temporary file cannot take the whole text.
    configtest::FileSizeLimit limit(16);
    ASSERT_TRUE(limit.active());
    EXPECT_FALSE(profile.Save());
  }
  EXPECT_EQ(ReadBytes("quillmere.ini"), kFullSettings);
  EXPECT_EQ(configtest::FileNames("."), std::set<std::string>{"quillmere.ini"});

  EXPECT_TRUE(profile.Save());
  QuillmereProfile reread;
  reread.Load();
  EXPECT_EQ(reread.Left, 999);
}
#endif

TEST_F(QuillmereProfileTest, AFileThatCannotBeReadIsNeverReplaced) {
  std::filesystem::create_directory("quillmere.ini");
  QuillmereProfile profile;
  profile.Load();
  EXPECT_EQ(profile.LoadReport(),
            "quillmere.ini cannot be read: the default settings are used, and the file is left as it is at exit");
  EXPECT_FALSE(profile.MayReplaceFile());
  EXPECT_FALSE(profile.Save());
  EXPECT_TRUE(std::filesystem::is_directory("quillmere.ini"));
}

// Files that the grammar reads only in part: what was read is used, and the
// file is left byte for byte as it was. The settings after the stopping
// place would otherwise be gone from it.
struct PartlyRead {
  const char *name;
  std::string bytes;
  const char *stop;  // where reading stopped, as the report shows it
};

std::ostream &operator<<(std::ostream &out, const PartlyRead &c) { return out << c.name; }

class PartlyReadSettings : public QuillmereProfileTest, public ::testing::WithParamInterface<PartlyRead> {};

TEST_P(PartlyReadSettings, AreReportedAndNeverReplaced) {
  const PartlyRead &c = GetParam();
  WriteBytes("quillmere.ini", c.bytes);
  QuillmereProfile profile;
  EXPECT_TRUE(profile.Load());
  EXPECT_EQ(profile.LoadReport(), std::string("quillmere.ini: reading stopped at ") + c.stop +
                                      "; what was read before is used, and the file is left as it is at exit");
  EXPECT_FALSE(profile.MayReplaceFile());

  profile.Left = 555;
  EXPECT_FALSE(profile.Save());
  EXPECT_EQ(ReadBytes("quillmere.ini"), c.bytes);
  EXPECT_EQ(configtest::FileNames("."), std::set<std::string>{"quillmere.ini"});
}

INSTANTIATE_TEST_SUITE_P(
    Triggers, PartlyReadSettings,
    ::testing::Values(
        PartlyRead{"HashLine", "[Window]\nLeft=10\n# placed by hand\nTop=20\n\n[Path]\nFilterPath=s.py\n",
                   "line 3: \"# placed by hand\""},
        PartlyRead{"SemicolonBeforeTheFirstSection", ";my settings\n[Window]\nLeft=10\n[Path]\nFilterPath=s.py\n",
                   "line 1: \";my settings\""},
        PartlyRead{"ByteOrderMark", "\xEF\xBB\xBF[Window]\nLeft=10\n[Path]\nFilterPath=s.py\n",
                   "line 1: \"\\xef\\xbb\\xbf[Window]\""},
        PartlyRead{"NulByte", std::string("[Window]\nLeft=10\nTop=2\0\n[Path]\nFilterPath=s.py\n", 47),
                   "line 3 (a NUL byte): \"Top=2\\x00\""},
        PartlyRead{"CarriageReturnLineEnds", "[Window]\rLeft=10\rTop=20\r\r[Path]\rFilterPath=s.py\r",
                   "line 1 (a carriage return without a line feed): \"[Window]\""},
        PartlyRead{"KeyWithADot", "[Window]\nLeft=10\nmain.Top=20\n[Path]\nFilterPath=s.py\n",
                   "line 3: \"main.Top=20\""},
        PartlyRead{"PathReadAsANumber", "[Window]\nLeft=10\n[Path]\nFilterPath=2nd.py\nBackup=old.py\n",
                   "line 4: \"FilterPath=2nd.py\""},
        // The Windows runtime's text mode would end the file at this byte.
        PartlyRead{"ControlZ", "[Window]\nLeft=10\n\x1A\n[Path]\nFilterPath=s.py\n", "line 3: \"\\x1a\""}),
    [](const ::testing::TestParamInfo<PartlyRead> &info) { return std::string(info.param.name); });

TEST_F(QuillmereProfileTest, WhatWasReadBeforeTheStoppingPlaceIsUsed) {
  WriteBytes("quillmere.ini", "[Window]\nLeft=10\nTop=20\n[Path]\nFilterPath=2nd.py\n");
  QuillmereProfile profile;
  profile.Load();
  EXPECT_EQ(profile.Left, 10);
  EXPECT_EQ(profile.Top, 20);
  EXPECT_EQ(profile.FilterPath, "2");
}

TEST_F(QuillmereProfileTest, CommentsAfterTheLastEntriesSurviveASave) {
  const std::string original =
      "[Window]\nLeft=1\nTop=2\nWidth=3\nHeight=4\nShowTrayIcon=true\nStartMinimize=false\n;end of window\n\n"
      "[Path]\nFilterPath=s.py\n;old: FilterPath=t.py\n\n;end of file\n";
  WriteBytes("quillmere.ini", original);
  QuillmereProfile profile;
  profile.Load();
  EXPECT_EQ(profile.LoadReport(), "");
  profile.Left = 5;
  ASSERT_TRUE(profile.Save());
  EXPECT_EQ(ReadBytes("quillmere.ini"),
            Written("[Window]\nLeft=5\nTop=2\nWidth=3\nHeight=4\nShowTrayIcon=true\nStartMinimize=false\n"
                    ";end of window\n\n[Path]\nFilterPath=s.py\n;old: FilterPath=t.py\n;end of file\n\n"));
}

std::vector<std::string> Lines(const std::string &text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// A file edited by hand, with CR LF line ends, comments and a section the
// program does not use, comes back with only the geometry changed.
TEST_F(QuillmereProfileTest, AHandWrittenFileComesBackWithOnlyTheGeometryChanged) {
  const std::string original = ReadBytes(QUILLMERE_CONFIG_TEST_DATA "/handwritten.ini");
  ASSERT_NE(original.find("\r\n"), std::string::npos) << "the fixture must keep its CR LF line ends";
  WriteBytes("quillmere.ini", original);

  QuillmereProfile profile;
  profile.Load();
  EXPECT_EQ(profile.Left, -1200);
  EXPECT_EQ(profile.Top, 80);
  EXPECT_EQ(profile.Width, 800);
  EXPECT_EQ(profile.Height, 600);
  EXPECT_TRUE(profile.ShowTrayIcon);
  EXPECT_FALSE(profile.StartMinimize);
  EXPECT_EQ(profile.FilterPath, "scripts\\quillmere_script.py");

  profile.Left = -1180;
  profile.Top = 96;
  profile.Width = 1024;
  profile.Height = 700;
  ASSERT_TRUE(profile.Save());

  std::string expected;
  for (const std::string &line : Lines(original)) {
    std::string text = line.substr(0, line.size() - 1);  // without its CR
    if (text == "Left=-1200") text = "Left=-1180";
    if (text == "Top=80") text = "Top=96";
    if (text == "Width=800") text = "Width=1024";
    if (text == "Height=600") text = "Height=700";
    expected += text + '\n';
  }
  EXPECT_EQ(ReadBytes("quillmere.ini"), Written(expected));
}

TEST(QuillmereExample, IsInTheWrittenLayoutAndLoadsCompletely) {
  const std::string example = ReadBytes(QUILLMERE_EXAMPLES_DIR "/quillmere.ini");
  INIFile document;
  EXPECT_TRUE(document.ParseText(example));
  EXPECT_EQ(document.ToText(), example);

  ScratchDirectory directory(true);
  WriteBytes("quillmere.ini", example);
  QuillmereProfile profile;
  profile.Load();
  EXPECT_EQ(profile.ToText(), example);
  EXPECT_EQ(profile.FilterPath, "quillmere_script.py");
  EXPECT_GT(profile.Width, 0);
  EXPECT_GT(profile.Height, 0);
}

}  // namespace

namespace {

// Quoted values and other programs' numbers come back as they were written,
// and the next start reads the same settings.
TEST(QuillmereProfileText, EntriesTheProgramDidNotChangeAreWrittenBackAsTheyWere) {
  ScratchDirectory directory(true);
  const std::string original =
      "[Window]\nLeft = +0010\nTop=20\nWidth=800\nHeight=600\nShowTrayIcon=true\nStartMinimize=false\n\n"
      "[Path]\nFilterPath=\"2nd.py\"\n\n"
      "[Other]\nratio=1.10\nstep=0.1\ncode=007\nbig=1e3\nshift=+5\nname=\"quoted\"\n\n";
  WriteBytes("quillmere.ini", original);
  QuillmereProfile profile;
  profile.Load();
  EXPECT_EQ(profile.FilterPath, "2nd.py");
  // Left keeps its text: the program's value is the one read.
  profile.Top = 30;
  ASSERT_TRUE(profile.Save());
  std::string expected = original;
  expected.replace(expected.find("Top=20"), 6, "Top=30");
  EXPECT_EQ(ReadBytes("quillmere.ini"), Written(expected));

  QuillmereProfile next;
  next.Load();
  EXPECT_EQ(next.LoadReport(), "");
  EXPECT_EQ(next.FilterPath, "2nd.py");
  EXPECT_EQ(next.Left, 10);
  EXPECT_EQ(next.Top, 30);
}

}  // namespace

namespace {

// The file as the program read it at start, and as the user edited it while
// the program ran.
const char kAtStart[] =
    "[Window]\nLeft=10\nTop=20\nWidth=800\nHeight=600\nShowTrayIcon=true\nStartMinimize=false\n\n"
    "[Path]\nFilterPath=old.py\n\n";
const char kEdited[] =
    "[Window]\n;moved by hand\nLeft=15\nTop=20\nWidth=800\nHeight=600\nShowTrayIcon=false\nStartMinimize=true\n\n"
    "[Path]\nFilterPath=\"2nd.py\"\n\n[Added]\n;new\nkey=1.50\n\n";

class ProfileSavedAfterEdits : public QuillmereProfileTest {
 protected:
  void SetUp() override {
    WriteBytes("quillmere.ini", kAtStart);
    profile.Load();
    ASSERT_EQ(profile.LoadReport(), "");
    profile.Left = 40;
    profile.Height = 700;
  }
  QuillmereProfile profile;
};

TEST_F(ProfileSavedAfterEdits, KeepEveryEditAndWriteOnlyTheGeometry) {
  WriteBytes("quillmere.ini", kEdited);
  ASSERT_TRUE(profile.Save());
  EXPECT_EQ(profile.SaveReport(), "");
  EXPECT_EQ(ReadBytes("quillmere.ini"),
            Written("[Window]\n;moved by hand\nLeft=40\nTop=20\nWidth=800\nHeight=700\nShowTrayIcon=false\n"
                    "StartMinimize=true\n\n[Path]\nFilterPath=\"2nd.py\"\n\n[Added]\n;new\nkey=1.50\n\n"));
  QuillmereProfile next;
  next.Load();
  EXPECT_EQ(next.FilterPath, "2nd.py");
  EXPECT_TRUE(next.StartMinimize);
}

TEST_F(ProfileSavedAfterEdits, KeysRemovedMeanwhileAreAddedAsAtAFirstStart) {
  WriteBytes("quillmere.ini", "[Path]\nFilterPath=kept.py\n");
  ASSERT_TRUE(profile.Save());
  EXPECT_EQ(ReadBytes("quillmere.ini"),
            Written("[Path]\nFilterPath=kept.py\n\n[Window]\nLeft=40\nTop=20\nWidth=800\nHeight=700\n"
                    "ShowTrayIcon=\nStartMinimize=\n\n"));
  std::filesystem::remove("quillmere.ini");
  ASSERT_TRUE(profile.Save());
  EXPECT_EQ(ReadBytes("quillmere.ini"),
            Written("[Window]\nLeft=40\nTop=20\nWidth=800\nHeight=700\nShowTrayIcon=\nStartMinimize=\n\n"
                    "[Path]\nFilterPath=\n\n"));
}

TEST_F(ProfileSavedAfterEdits, LeaveAFileNoLongerReadCompletelyAsItIsAndSaySo) {
  const std::string broken = std::string(kEdited) + "# a note\n[Later]\nx=1\n";
  WriteBytes("quillmere.ini", broken);
  EXPECT_FALSE(profile.Save());
  EXPECT_EQ(profile.LastSaveRefusal(), QuillmereProfile::SaveRefusal::NotReadAtSave);
  EXPECT_EQ(profile.SaveReport(),
            "quillmere.ini was left byte for byte as it was: reading it again at exit stopped at line 17: "
            "\"# a note\"");
  EXPECT_EQ(ReadBytes("quillmere.ini"), broken);
  EXPECT_EQ(configtest::FileNames("."), std::set<std::string>{"quillmere.ini"});

  std::filesystem::remove("quillmere.ini");
  std::filesystem::create_directory("quillmere.ini");
  EXPECT_FALSE(profile.Save());
  EXPECT_EQ(profile.SaveReport(), "quillmere.ini was left as it was: it cannot be read again at exit");
  EXPECT_TRUE(std::filesystem::is_directory("quillmere.ini"));
}

TEST_F(QuillmereProfileTest, SaveReportTellsWhyNothingWasWritten) {
  WriteBytes("quillmere.ini", "[Window]\n# x\n");
  QuillmereProfile profile;
  profile.Load();
  EXPECT_EQ(profile.SaveReport(), "");
  EXPECT_FALSE(profile.Save());
  EXPECT_EQ(profile.LastSaveRefusal(), QuillmereProfile::SaveRefusal::NotReadAtStart);
  EXPECT_EQ(profile.SaveReport(),
            "quillmere.ini was left byte for byte as it was: it was not read completely at start");
}

#ifndef _WIN32
TEST_F(QuillmereProfileTest, ALinkedSettingsFileIsSavedWhereItLivesAndStaysLinked) {
  std::filesystem::create_directory("store");
  WriteBytes("store/quillmere.ini", kAtStart);
  std::filesystem::create_symlink("store/quillmere.ini", "quillmere.ini");
  WriteBytes("victim", "precious");
  std::filesystem::create_symlink("victim", "quillmere.ini.tmp");
  QuillmereProfile profile;
  profile.Load();
  EXPECT_EQ(profile.FilterPath, "old.py");
  profile.Width = 1024;
  ASSERT_TRUE(profile.Save());
  EXPECT_TRUE(std::filesystem::is_symlink("quillmere.ini"));
  EXPECT_NE(ReadBytes("store/quillmere.ini").find("Width=1024\n"), std::string::npos);
  EXPECT_EQ(ReadBytes("victim"), "precious");
  EXPECT_EQ(configtest::FileNames("store"), std::set<std::string>{"quillmere.ini"});
}
#endif

}  // namespace
