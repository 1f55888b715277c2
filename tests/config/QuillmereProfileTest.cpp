// The program's settings: the seven fields, what Save writes back, defaults
// for an unusable geometry, and a save that cannot complete.
#include <filesystem>
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
  EXPECT_EQ(ReadBytes("quillmere.ini"), Written(
            "[Window]\nLeft=11\nTop=22\nWidth=1280\nHeight=1024\nShowTrayIcon=true\nStartMinimize=True\n\n"
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
  EXPECT_EQ(ReadBytes("quillmere.ini"), Written(
            "[Window]\nLeft=1\nTop=2\nWidth=3\nHeight=4\nShowTrayIcon=true\nStartMinimize=false\n\n"
            "[Path]\nFilterPath=\n\n"));
}

TEST_F(QuillmereProfileTest, AMissingOptionReadsFalseAndIsWrittenEmptyAtTheEndOfWindow) {
  WriteBytes("quillmere.ini", "[Path]\nFilterPath=f.py\n[Window]\nStartMinimize=true\nLeft=1\nTop=2\nWidth=3\nHeight=4\n");
  QuillmereProfile profile;
  profile.Load();
  EXPECT_FALSE(profile.ShowTrayIcon);
  EXPECT_TRUE(profile.StartMinimize);
  profile.Save();
  EXPECT_EQ(ReadBytes("quillmere.ini"), Written(
            "[Path]\nFilterPath=f.py\n\n"
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
  EXPECT_EQ(profile.Left, QuillmereProfile::DefaultLeft);
  EXPECT_EQ(profile.Top, QuillmereProfile::DefaultTop);
  EXPECT_EQ(profile.Width, QuillmereProfile::DefaultWidth);
  EXPECT_EQ(profile.Height, QuillmereProfile::DefaultHeight);
  EXPECT_FALSE(profile.ShowTrayIcon);
  EXPECT_FALSE(profile.StartMinimize);
  EXPECT_EQ(profile.FilterPath, "");
  EXPECT_TRUE(profile.Save());
  EXPECT_EQ(ReadBytes("quillmere.ini"), Written(
            "[Window]\nLeft=100\nTop=100\nWidth=640\nHeight=480\nShowTrayIcon=\nStartMinimize=\n\n"
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

TEST_F(QuillmereProfileTest, ASaveThatCannotCompleteLeavesTheOldFile) {
  WriteBytes("quillmere.ini", kFullSettings);
  QuillmereProfile profile;
  profile.Load();
  profile.Left = 999;
  std::filesystem::create_directory("quillmere.ini.tmp");
  EXPECT_FALSE(profile.Save());
  EXPECT_EQ(ReadBytes("quillmere.ini"), kFullSettings);

  std::filesystem::remove("quillmere.ini.tmp");
  EXPECT_TRUE(profile.Save());
  QuillmereProfile reread;
  reread.Load();
  EXPECT_EQ(reread.Left, 999);
}

std::vector<std::string> Lines(const std::string& text) {
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
  for (const std::string& line : Lines(original)) {
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
