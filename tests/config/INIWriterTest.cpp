// The writer: exact layout, values that need quotes, round trips through the
// loader, and replacing the file in one step.
#include <filesystem>
#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "config/INIFile.h"

using configtest::Describe;
using configtest::FileNames;
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
  const std::string text = "[Empty]\n\n[Notes]\n;only comments here\n;\n\n[A]\nk=1\n\n[Tail]\n;last words\n\n";
  INIFile document;
  ASSERT_TRUE(document.ParseText(text));
  EXPECT_EQ(Describe(document), "[Empty][Notes]{;only comments here}{;}[A](k=<1>)[Tail]{;last words}");
  EXPECT_EQ(document.ToText(), text);
}

TEST(INIWriter, WritesCommentsUnchanged) {
  INIFile document;
  document.AddEntry("A", "k", {" two", "", ";x"}, "lead;trail ");
  EXPECT_EQ(document.ToText(), "[A]\n; two\n;\n;;x\nk=lead;trail \n\n");
}

// Every case is written and read back as the same value; plain where that
// reads back, else quoted.
struct RoundTrip {
  const char *value;
  const char *written;  // the entry's line(s)
};

TEST(INIWriter, ValuesReadBackAsThemselves) {
  const RoundTrip cases[] = {
      {"plain", "k=plain\n"},
      {"", "k=\n"},
      {"trailing  ", "k=trailing  \n"},
      {"a;b", "k=a;b\n"},
      {"C:\\dir\\x.py", "k=C:\\dir\\x.py\n"},
      {"C:\\dir\\", "k=C:\\dir\\\n"},
      {"one\ntwo", "k=\"one\ntwo\"\n"},
      {"\n", "k=\"\n\"\n"},
      // Values holding a double-quote are quoted with the quote escaped.
      {"say \"hi\"", "k=\"say \\\"hi\\\"\"\n"},
      {"\"", "k=\"\\\"\"\n"},
      {"a\\\"b\nc", "k=\"a\\\\\"b\nc\"\n"},
      // Blanks after "=" are skipped by the loader; quotes keep them.
      {"  leading", "k=\"  leading\"\n"},
      // Texts the loader would read as another number or a boolean.
      {"2nd.py", "k=\"2nd.py\"\n"},
      {"+007", "k=\"+007\"\n"},
      {"2.50", "k=\"2.50\"\n"},
      {"0.1", "k=\"0.1\"\n"},
      {"1e3", "k=\"1e3\"\n"},
      {"-.5x", "k=\"-.5x\"\n"},
      {"trueish", "k=\"trueish\"\n"},
      {"false positive", "k=\"false positive\"\n"},
      // Texts the loader reads back as they are.
      {"7", "k=7\n"},
      {"-3", "k=-3\n"},
      {"2.5", "k=2.5\n"},
      {"true", "k=true\n"},
      {"True", "k=True\n"},
      {"99999999999", "k=99999999999\n"},
      {"+", "k=+\n"},
      {".x", "k=.x\n"},
  };
  for (const RoundTrip &c : cases) {
    INIFile document;
    document.AddEntry("A", "k", {"note"}, c.value);
    const std::string text = document.ToText();
    EXPECT_EQ(text, std::string("[A]\n;note\n") + c.written + "\n") << c.value;
    INIFile reread;
    EXPECT_TRUE(reread.ParseText(text)) << c.value;
    EXPECT_EQ(Describe(reread), std::string("[A](;note k=<") + c.value + ">)") << c.value;
  }
}

// Random entry texts from the characters that matter to the grammar, plain
// and quoted. Every
// value the loader accepts from them, written again as a new value, reads
// back as itself.
TEST(INIWriter, EveryValueTheLoaderAcceptsIsWrittenSoThatItReadsBack) {
  const std::string alphabet = "0123456789+-.eEtrufalsTFx \t\"\\\n;=[]_/\xE9";
  std::mt19937 random(19);
  std::uniform_int_distribution<std::size_t> length(0, 9), pick(0, alphabet.size() - 1);
  int accepted = 0;
  for (int i = 0; i < 4000; ++i) {
    std::string written;
    for (std::size_t n = length(random); n > 0; --n) written += alphabet[pick(random)];
    // Half of them quoted, where any text may stand.
    if (i % 2) written = '"' + written + '"';
    INIFile read;
    if (!read.ParseText("[A]\nk=" + written + "\n")) continue;
    const INISection &section = *read.sections.front().second;
    if (section.entries.size() != 1) continue;
    const std::string value = section.entries.front().value;
    ++accepted;

    INIFile document;
    document.AddEntry("A", "k", {}, value);
    INIFile reread;
    ASSERT_TRUE(reread.ParseText(document.ToText())) << written;
    ASSERT_EQ(reread.sections.size(), 1u) << written;
    ASSERT_EQ(reread.sections.front().second->entries.size(), 1u) << written;
    EXPECT_EQ(reread.sections.front().second->entries.front().value, value) << written;
  }
  // Enough of the texts were accepted for the test to mean something.
  EXPECT_GT(accepted, 1000);
}

// Values that no text reads back as are not written: the file keeps its old
// content. Every other value reaches the file and loads back completely.
TEST(INIWriter, SaveToFileWritesEveryValueSoThatTheFileReadsBackOrNothing) {
  ScratchDirectory directory;
  const std::string path = directory / "settings.ini";
  const std::string old = "[A]\nk=old\n\n";
  const std::string unwritable[] = {"a\rb", "line\r\n", std::string("a\0b", 3), "2nd\\", " C:\\dir\\", "say \"hi\\"};
  for (const std::string &value : unwritable) {
    WriteBytes(path, old);
    INIFile document;
    document.AddEntry("A", "k", {}, value);
    EXPECT_FALSE(document.SaveToFile(path)) << value;
    EXPECT_EQ(ReadBytes(path), old) << value;
  }

  const std::string alphabet = "0123456789+-.eEtrue \t\"\\\n\r;x";
  std::mt19937 random(17);
  std::uniform_int_distribution<std::size_t> length(0, 7), pick(0, alphabet.size() - 1);
  for (int i = 0; i < 80; ++i) {
    std::string value;
    for (std::size_t n = length(random); n > 0; --n) value += alphabet[pick(random)];
    WriteBytes(path, old);
    INIFile document;
    document.AddEntry("A", "k", {}, value);
    if (!document.SaveToFile(path)) {
      EXPECT_EQ(ReadBytes(path), old) << value;
      continue;
    }
    INIFile reread;
    INIReadOutcome outcome;
    EXPECT_TRUE(reread.LoadFromFile(path, &outcome)) << value;
    EXPECT_EQ(outcome.status, INIReadOutcome::Complete) << value;
    EXPECT_EQ(reread.GetSection("A")->GetValue("k"), value) << value;
  }
}

TEST(INIWriter, RewritesALoadedFileAsItWasRead) {
  const std::string loaded =
      "\n[A]\n"
      ";keep\n"
      "k = v\n"
      "\n"
      "n=+007\n"
      "r = 1e3\n"
      "f=1.10\n"
      "t=0.1\n"
      "b=true\n"
      "q=\"quoted\"\n"
      "p=\"2nd.py\"\n"
      "e=\"say \\\"hi\\\"\"\n"
      "m=\"two\nlines\"\n"
      "s\n=  +5\n"
      ";after the last entry\n"
      "[B]\n"
      "m=1\n"
      "[A]\n"
      "later=x\n";
  INIFile document;
  ASSERT_TRUE(document.ParseText(loaded));
  const std::string written =
      "[A]\n;keep\nk = v\nn=+007\nr = 1e3\nf=1.10\nt=0.1\nb=true\nq=\"quoted\"\np=\"2nd.py\"\n"
      "e=\"say \\\"hi\\\"\"\nm=\"two\nlines\"\ns\n=  +5\nlater=x\n;after the last entry\n\n"
      "[B]\nm=1\n\n";
  EXPECT_EQ(document.ToText(), written);
  // What was read is written again the same way.
  INIFile again;
  ASSERT_TRUE(again.ParseText(written));
  EXPECT_EQ(again.ToText(), written);
}

TEST(INIWriter, AChangedValueIsWrittenAfreshWhereItStood) {
  INIFile document;
  ASSERT_TRUE(document.ParseText("[A]\n;c\nn = 007\nr=1.10\np=\"2nd.py\"\nz=+5\n"));
  INISection *section = document.GetSection("A");
  section->SetValue("n", "8");
  section->SetValue("r", "3rd.py");
  // The same value as read: the entry is unchanged.
  section->SetValue("z", "5");
  // A value set back to what it was read as is written as it was read.
  section->SetValue("p", "x");
  section->SetValue("p", "2nd.py");
  EXPECT_EQ(document.ToText(), "[A]\n;c\nn = 8\nr=\"3rd.py\"\np=\"2nd.py\"\nz=+5\n\n");
}

TEST(INIWriter, SaveToFileReplacesTheWholeContent) {
  ScratchDirectory directory;
  const std::string path = directory / "settings.ini";
  WriteBytes(path, std::string(10000, 'x'));
  INIFile document;
  document.AddEntry("A", "k", {}, "v");
  EXPECT_TRUE(document.SaveToFile(path));
  EXPECT_EQ(ReadBytes(path), Written("[A]\nk=v\n\n"));
  EXPECT_EQ(FileNames(directory.path()), std::set<std::string>{"settings.ini"});

  INIFile empty;
  EXPECT_TRUE(empty.SaveToFile(path));
  EXPECT_TRUE(std::filesystem::exists(path));
  EXPECT_EQ(ReadBytes(path), "");
}

TEST(INIWriter, SaveToFileThatCannotCreateItsTemporaryFileLeavesTheOldFile) {
  ScratchDirectory directory;
  // The file's name is as long as a name may be, less a few characters:
  // the temporary file's longer name cannot be created.
  const std::string name = std::string(250, 's') + ".ini";
  const std::string path = directory / name;
  WriteBytes(path, "[A]\nk=old\n\n");
  ASSERT_EQ(ReadBytes(path), "[A]\nk=old\n\n");
  INIFile document;
  document.AddEntry("A", "k", {}, "new");
  EXPECT_FALSE(document.SaveToFile(path));
  EXPECT_EQ(ReadBytes(path), "[A]\nk=old\n\n");
  EXPECT_EQ(FileNames(directory.path()), std::set<std::string>{name});
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
  EXPECT_EQ(FileNames(directory.path()), std::set<std::string>{"settings.ini"});
}

#ifndef _WIN32
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
      configtest::FileSizeLimit limit(16);
      ASSERT_TRUE(limit.active());
      saved = document.SaveToFile(path);
    }
    EXPECT_FALSE(saved) << length;
    EXPECT_EQ(ReadBytes(path), "[A]\nk=old\n\n") << length;
    EXPECT_EQ(FileNames(directory.path()), std::set<std::string>{"settings.ini"}) << length;
  }
}
#endif

#ifndef _WIN32
// A directory's write permission means nothing on Windows, and nothing to
// the superuser: there the save is made by a child process that gives up
// its privileges first.
TEST(INIWriter, SaveToFileInADirectoryThatCannotBeWrittenLeavesTheOldFile) {
  ScratchDirectory directory;
  const std::string path = directory / "settings.ini";
  WriteBytes(path, "[A]\nk=old\n\n");
  namespace fs = std::filesystem;
  fs::permissions(directory.path(), fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                        fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
  INIFile document;
  document.AddEntry("A", "k", {}, "new");
  if (geteuid() != 0) {
    EXPECT_FALSE(document.SaveToFile(path));
  } else {
    const pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
      const uid_t nobody = 65534;
      if (setgid(nobody) != 0 || setuid(nobody) != 0) _exit(3);
      _exit(document.SaveToFile(path) ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: the save succeeded; 3: privileges could not be given up";
  }
  EXPECT_EQ(ReadBytes(path), "[A]\nk=old\n\n");
}
#endif

}  // namespace
