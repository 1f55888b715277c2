// The writer: exact layout, values that need quotes, round trips through the
// loader, and replacing the file in one step.
#include <filesystem>
#include <string>

#ifndef _WIN32
#include <sys/resource.h>

#include <csignal>
#endif

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "config/INIFile.h"

using configtest::Describe;
using configtest::ReadBytes;
using configtest::ScratchDirectory;
using configtest::WriteBytes;
using configtest::Written;

namespace {

TEST(INIWriter, WritesSectionsEntriesAndCommentsInTheirLayout) {
  INIFile document;
  document.AddEntry("W", "a", {"c"}, "1");
  document.AddEntry("W", "b", {}, "");
  document.AddEntry("P", "f", {}, "x");
  EXPECT_EQ(document.ToText(), "[W]\n;c\na=1\nb=\n\n[P]\nf=x\n\n");
  EXPECT_EQ(document.GetSection("W")->ToText(), ";c\na=1\nb=\n");
}

TEST(INIWriter, WritesTrailingCommentsAfterTheEntriesAndReadsThemBack) {
  INIFile document;
  document.AddEntry("A", "k", {"c"}, "1");
  document.GetSection("A")->trailingComments = {"end of A", ""};
  document.AddEntry("B", "m", {}, "2");
  document.GetSection("B")->trailingComments = {"end of file"};
  const std::string text = "[A]\n;c\nk=1\n;end of A\n;\n\n[B]\nm=2\n;end of file\n\n";
  EXPECT_EQ(document.ToText(), text);
  INIFile reread;
  EXPECT_TRUE(reread.ParseText(text));
  EXPECT_EQ(reread.ToText(), text);
}

TEST(INIWriter, WritesAnEmptyDocumentAsNothingAndAnEmptySectionAsItsHeader) {
  INIFile document;
  EXPECT_EQ(document.ToText(), "");
  document.GetSection("Empty");
  EXPECT_EQ(document.ToText(), "[Empty]\n\n");
  INIFile reread;
  EXPECT_TRUE(reread.ParseText(document.ToText()));
  EXPECT_EQ(Describe(reread), "[Empty]");
}

TEST(INIWriter, SectionsWithoutEntriesComeBackWithTheirComments) {
  const std::string text =
      "[Empty]\n\n[Notes]\n;only comments here\n;\n\n[A]\nk=1\n\n[Tail]\n;last words\n\n";
  INIFile document;
  ASSERT_TRUE(document.ParseText(text));
  EXPECT_EQ(Describe(document), "[Empty][Notes]{;only comments here}{;}[A](k=<1>)[Tail]{;last words}");
  EXPECT_EQ(document.ToText(), text);
}

TEST(INIWriter, WritesCommentsAndValuesUnchanged) {
  INIFile document;
  document.AddEntry("A", "k", {" two", "", ";x"}, " lead;trail ");
  EXPECT_EQ(document.ToText(), "[A]\n; two\n;\n;;x\nk= lead;trail \n\n");
}

// Every case is written, read back and compared with what reading gives.
struct RoundTrip {
  const char* value;
  const char* written;  // the entry's line(s)
  const char* readBack;
};

TEST(INIWriter, ValuesReadBackAsTheLoaderSeesThem) {
  const RoundTrip cases[] = {
      {"plain", "k=plain\n", "plain"},
      {"", "k=\n", ""},
      {"trailing  ", "k=trailing  \n", "trailing  "},
      // Blanks after "=" are skipped by the loader.
      {"  leading", "k=  leading\n", "leading"},
      {"a;b", "k=a;b\n", "a;b"},
      {"C:\\dir\\x.py", "k=C:\\dir\\x.py\n", "C:\\dir\\x.py"},
      {"one\ntwo", "k=\"one\ntwo\"\n", "one\ntwo"},
      {"\n", "k=\"\n\"\n", "\n"},
      // Values holding a double-quote are quoted with the quote escaped.
      {"say \"hi\"", "k=\"say \\\"hi\\\"\"\n", "say \"hi\""},
      {"\"", "k=\"\\\"\"\n", "\""},
      {"a\\\"b\nc", "k=\"a\\\\\"b\nc\"\n", "a\\\"b\nc"},
      // Numbers and booleans come back in their canonical text.
      {"+007", "k=+007\n", "7"},
      {"2.50", "k=2.50\n", "2.5"},
  };
  for (const RoundTrip& c : cases) {
    INIFile document;
    document.AddEntry("A", "k", {"note"}, c.value);
    const std::string text = document.ToText();
    EXPECT_EQ(text, std::string("[A]\n;note\n") + c.written + "\n") << c.value;
    INIFile reread;
    EXPECT_TRUE(reread.ParseText(text)) << c.value;
    EXPECT_EQ(Describe(reread), std::string("[A](;note k=<") + c.readBack + ">)") << c.value;
  }
}

TEST(INIWriter, RewritesALoadedFileInItsCanonicalForm) {
  const std::string loaded =
      "\n[A]\n"
      ";keep\n"
      "k = v\n"
      "\n"
      "n=+007\n"
      "r = 1e3\n"
      "b=true\n"
      "q=\"quoted\"\n"
      "e=\"say \\\"hi\\\"\"\n"
      ";after the last entry\n"
      "[B]\n"
      "m=1\n"
      "[A]\n"
      "later=x\n";
  INIFile document;
  ASSERT_TRUE(document.ParseText(loaded));
  EXPECT_EQ(document.ToText(),
            "[A]\n;keep\nk=v\nn=7\nr=1000\nb=true\nq=quoted\ne=\"say \\\"hi\\\"\"\nlater=x\n;after the last entry\n\n"
            "[B]\nm=1\n\n");
  // The canonical form is a fixed point.
  INIFile again;
  ASSERT_TRUE(again.ParseText(document.ToText()));
  EXPECT_EQ(again.ToText(), document.ToText());
}

TEST(INIWriter, SaveToFileReplacesTheWholeContent) {
  ScratchDirectory directory;
  const std::string path = directory / "settings.ini";
  WriteBytes(path, std::string(10000, 'x'));
  INIFile document;
  document.AddEntry("A", "k", {}, "v");
  EXPECT_TRUE(document.SaveToFile(path));
  EXPECT_EQ(ReadBytes(path), Written("[A]\nk=v\n\n"));
  EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));

  INIFile empty;
  EXPECT_TRUE(empty.SaveToFile(path));
  EXPECT_TRUE(std::filesystem::exists(path));
  EXPECT_EQ(ReadBytes(path), "");
}

TEST(INIWriter, SaveToFileThatCannotWriteItsTemporaryFileLeavesTheOldFile) {
  ScratchDirectory directory;
  const std::string path = directory / "settings.ini";
  WriteBytes(path, "[A]\nk=old\n\n");
  // A directory in the temporary file's place.
  std::filesystem::create_directory(path + ".tmp");
  INIFile document;
  document.AddEntry("A", "k", {}, "new");
  EXPECT_FALSE(document.SaveToFile(path));
  EXPECT_EQ(ReadBytes(path), "[A]\nk=old\n\n");
  EXPECT_TRUE(std::filesystem::is_directory(path + ".tmp"));
}

TEST(INIWriter, SaveToFileThatCannotReplaceTheTargetRemovesItsTemporaryFile) {
  ScratchDirectory directory;
  // A non-empty directory in the target's place cannot be replaced.
  const std::string path = directory / "settings.ini";
  std::filesystem::create_directory(path);
  WriteBytes(directory / "settings.ini/inside", "kept");
  INIFile document;
  document.AddEntry("A", "k", {}, "new");
  EXPECT_FALSE(document.SaveToFile(path));
  EXPECT_EQ(ReadBytes(directory / "settings.ini/inside"), "kept");
  EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));
}

#ifndef _WIN32
// Lowers the process's file-size limit for the scope, with SIGXFSZ ignored,
// so that a write beyond the limit fails with EFBIG instead of ending the
// process.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit lowered = saved_;
    lowered.rlim_cur = bytes;
    active_ = setrlimit(RLIMIT_FSIZE, &lowered) == 0;
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, previousHandler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;
  bool active() const { return active_; }

 private:
  rlimit saved_{};
  void (*previousHandler_)(int) = SIG_DFL;
  bool active_ = false;
};

TEST(INIWriter, SaveToFileWhoseWritesFailLeavesTheOldFileAndNoTemporaryFile) {
  // The temporary file opens, then its content cannot all be written: a
  // short document fails when the buffer is flushed, a long one already in
  // the write itself.
  for (const std::size_t length : {std::size_t{40}, std::size_t{1} << 20}) {
    ScratchDirectory directory;
    const std::string path = directory / "settings.ini";
    WriteBytes(path, "[A]\nk=old\n\n");
    INIFile document;
    document.AddEntry("A", "k", {}, std::string(length, 'x'));
    bool saved = true;
    {
      FileSizeLimit limit(16);
      ASSERT_TRUE(limit.active());
      saved = document.SaveToFile(path);
    }
    EXPECT_FALSE(saved) << length;
    EXPECT_EQ(ReadBytes(path), "[A]\nk=old\n\n") << length;
    EXPECT_FALSE(std::filesystem::exists(path + ".tmp")) << length;
  }
}
#endif

TEST(INIWriter, SaveToFileInADirectoryThatCannotBeWrittenLeavesTheOldFile) {
  ScratchDirectory directory;
  const std::string path = directory / "settings.ini";
  WriteBytes(path, "[A]\nk=old\n\n");
  std::filesystem::permissions(directory.path(),
                               std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  {
    // Privileged users write anyway; then there is nothing to test here.
    std::ofstream probe(directory / "probe");
    if (probe) GTEST_SKIP() << "this user can write into a read-only directory";
  }
  INIFile document;
  document.AddEntry("A", "k", {}, "new");
  EXPECT_FALSE(document.SaveToFile(path));
  EXPECT_EQ(ReadBytes(path), "[A]\nk=old\n\n");
}

}  // namespace
