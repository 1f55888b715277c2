// Replacing a settings file: the temporary file is created new under a name
// nobody can plant in advance, and a linked file is replaced where it lives.
#include <filesystem>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "config/LinkTarget.h"
#include "config/TemporaryFile.h"
#include "config/TextFile.h"

using configtest::FileNames;
using configtest::ReadBytes;
using configtest::ScratchDirectory;
using configtest::WriteBytes;
using configtest::Written;

namespace fs = std::filesystem;

namespace {

TEST(TemporaryFile, IsCreatedUnderARandomNameBesideItsFileAndRemovedUnlessMoved) {
  ScratchDirectory directory;
  const std::string file = directory / "settings.ini";
  std::string first, second;
  {
    TemporaryFile one(file), two(file);
    ASSERT_TRUE(one.IsOpen());
    ASSERT_TRUE(two.IsOpen());
    first = one.Name();
    second = two.Name();
    EXPECT_NE(first, second);
    for (const std::string &name : {first, second}) {
      const std::string suffix = name.substr(file.size());
      ASSERT_EQ(suffix.size(), 1 + kTemporaryRandomDigits + std::string(kTemporarySuffix).size()) << name;
      EXPECT_EQ(suffix[0], '.');
      EXPECT_EQ(suffix.find_first_not_of("0123456789abcdef", 1), std::string::size_type(1 + kTemporaryRandomDigits));
      EXPECT_EQ(suffix.substr(1 + kTemporaryRandomDigits), kTemporarySuffix);
      EXPECT_TRUE(fs::exists(name));
    }
    EXPECT_TRUE(one.WriteAndClose("text\n"));
  }
  EXPECT_TRUE(FileNames(directory.path()).empty());

  TemporaryFile kept(file);
  ASSERT_TRUE(kept.WriteAndClose("kept\n"));
  ASSERT_TRUE(kept.MoveOnto(file));
  EXPECT_EQ(ReadBytes(file), Written("kept\n"));
  EXPECT_EQ(FileNames(directory.path()), std::set<std::string>{"settings.ini"});
}

TEST(TemporaryFile, CreateNewFileNeverOpensANameThatIsTaken) {
  ScratchDirectory directory;
  const std::string taken = directory / "taken";
  WriteBytes(taken, "old");
  EXPECT_FALSE(CreateNewFile(taken));
  EXPECT_EQ(ReadBytes(taken), "old");
  fs::create_directory(directory / "folder");
  EXPECT_FALSE(CreateNewFile(directory / "folder"));

  const CFile created = CreateNewFile(directory / "new");
  ASSERT_TRUE(created);
  EXPECT_TRUE(fs::exists(directory / "new"));
}

#ifndef _WIN32
// A link planted under the name, to a file the user can write, or to one
// not there yet: neither is followed.
TEST(TemporaryFile, CreateNewFileNeverFollowsALink) {
  ScratchDirectory directory;
  const std::string victim = directory / "victim";
  WriteBytes(victim, "precious");
  fs::create_symlink(victim, directory / "planted");
  EXPECT_FALSE(CreateNewFile(directory / "planted"));
  fs::create_symlink(directory / "absent", directory / "dangling");
  EXPECT_FALSE(CreateNewFile(directory / "dangling"));
  EXPECT_EQ(ReadBytes(victim), "precious");
  EXPECT_FALSE(fs::exists(directory / "absent"));
}

TEST(ReplaceTextFile, NeverWritesThroughALinkPlantedUnderTheOldTemporaryName) {
  ScratchDirectory directory;
  const std::string path = directory / "settings.ini";
  const std::string victim = directory / "victim";
  WriteBytes(path, "[A]\nk=old\n\n");
  WriteBytes(victim, "precious");
  fs::create_symlink(victim, path + ".tmp");
  ASSERT_TRUE(ReplaceTextFile(path, "[A]\nk=new\n\n"));
  EXPECT_EQ(ReadBytes(path), "[A]\nk=new\n\n");
  EXPECT_EQ(ReadBytes(victim), "precious");
  EXPECT_TRUE(fs::is_symlink(path + ".tmp"));
}

TEST(ReplaceTextFile, ReplacesALinkedFileWhereItLivesAndKeepsTheLink) {
  ScratchDirectory directory;
  fs::create_directory(directory / "real");
  const std::string target = directory / "real/settings.ini";
  WriteBytes(target, "old");
  // An absolute link to a relative one to the file.
  fs::create_symlink("real/settings.ini", directory / "relative.ini");
  const std::string path = directory / "settings.ini";
  fs::create_symlink(directory / "relative.ini", path);

  ASSERT_TRUE(ReplaceTextFile(path, "new\n"));
  EXPECT_TRUE(fs::is_symlink(path));
  EXPECT_TRUE(fs::is_symlink(directory / "relative.ini"));
  EXPECT_EQ(ReadBytes(target), "new\n");
  EXPECT_EQ(FileNames(directory / "real"), std::set<std::string>{"settings.ini"});

  std::string followed;
  ASSERT_TRUE(FollowLinks(path, followed));
  EXPECT_EQ(fs::path(followed), directory.path() / "real/settings.ini");
}

TEST(ReplaceTextFile, ALinkToAMissingFileCreatesItAndALoopWritesNothing) {
  ScratchDirectory directory;
  const std::string path = directory / "settings.ini";
  fs::create_symlink("elsewhere.ini", path);
  ASSERT_TRUE(ReplaceTextFile(path, "made\n"));
  EXPECT_TRUE(fs::is_symlink(path));
  EXPECT_EQ(ReadBytes(directory / "elsewhere.ini"), "made\n");

  fs::create_symlink("loop.b", directory / "loop.a");
  fs::create_symlink("loop.a", directory / "loop.b");
  std::string followed;
  EXPECT_FALSE(FollowLinks(directory / "loop.a", followed));
  EXPECT_FALSE(ReplaceTextFile(directory / "loop.a", "never\n"));
  EXPECT_TRUE(fs::is_symlink(directory / "loop.a"));
  EXPECT_EQ(FileNames(directory.path()), (std::set<std::string>{"elsewhere.ini", "loop.a", "loop.b", "settings.ini"}));
}
#endif

}  // namespace
