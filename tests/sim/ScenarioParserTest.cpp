#include "ScenarioParser.h"

#include <windows.h>

#include <cstdint>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

using namespace quillmere::sim;
using ::testing::HasSubstr;

// ---- words and quotes ----

TEST(TokenizeLineTest, QuotedTextKeepsBlanksHashesAndEscapedQuotesAndBackslashes) {
  auto words = TokenizeLine(R"(title w "say \"hi\" # not a comment \\ end" # a comment)", 1);
  ASSERT_EQ(words.size(), 3u);
  EXPECT_EQ(words[2].text, R"(say "hi" # not a comment \ end)");
  EXPECT_EQ(words[2].quotedFrom, 0u);
  EXPECT_FALSE(words[0].quoted());
}

TEST(TokenizeLineTest, CommentOutsideQuotesEndsTheLineEvenInsideAWord) {
  auto words = TokenizeLine("focus editor#comment", 1);
  ASSERT_EQ(words.size(), 2u);
  EXPECT_EQ(words[1].text, "editor");
  EXPECT_TRUE(TokenizeLine("   # only a comment", 1).empty());
}

TEST(TokenizeLineTest, KeyWithQuotedValueRemembersWhereTheQuoteBegan) {
  auto words = TokenizeLine(R"(title="a=b c")", 1);
  ASSERT_EQ(words.size(), 1u);
  EXPECT_EQ(words[0].text, "title=a=b c");
  EXPECT_EQ(words[0].quotedFrom, 6u);
}

TEST(TokenizeLineTest, BadQuotesAreErrorsOfTheirLine) {
  for (const char *line : {R"(title w "open)", R"(title w "ends in backslash\)", R"(title w "tab\t")"}) {
    try {
      TokenizeLine(line, 7);
      ADD_FAILURE() << line;
    } catch (const ScenarioError &e) {
      EXPECT_EQ(e.line(), 7) << line;
    }
  }
}

// ---- commands ----

TEST(ParseScenarioTest, ReadsEveryCommand) {
  Scenario s = ParseScenario(R"(# a scenario
app ed
window main ed "Main \"1\"" class=Frame rect=1,2,301,202 layered
window dlg ed "Dialog" owner=main hidden disabled
window pane ed "" parent=main
show dlg
hide dlg
enable dlg
disable dlg
title main "New"
focus main
metric caption=20 mintrack=30
metric mintrack=5
start
kill
tray left
tray right
keys quillmere alt+?
keys main esc
menu about
dismiss
menu exit
close
expect main left=1 top=-2 width=300 height=200 visible=yes enabled=no exists=yes alpha=128 topmost=no layered=yes thickframe=no title="New"
expect-log "rolled up: Main"
expect-exit 0
print all
print log
print settings
print quillmere
destroy dlg
window frame ed "Frame" owner=main style=WS_OVERLAPPEDWINDOW|WS_POPUP
)");
  ASSERT_EQ(s.commands.size(), 31u);
  const Command &w = s.commands[1];
  EXPECT_EQ(w.kind, CommandKind::Window);
  EXPECT_EQ(w.line, 3);
  EXPECT_EQ(w.name, "main");
  EXPECT_EQ(w.app, "ed");
  EXPECT_EQ(w.text, "Main \"1\"");
  EXPECT_EQ(w.window.className, "Frame");
  EXPECT_TRUE(w.window.hasRect);
  EXPECT_EQ(w.window.right, 301);
  EXPECT_EQ(w.window.bottom, 202);
  EXPECT_TRUE(w.window.layered);
  EXPECT_FALSE(w.window.hidden);
  const Command &owned = s.commands[2];
  EXPECT_EQ(owned.window.owner, "main");
  EXPECT_TRUE(owned.window.hidden);
  EXPECT_TRUE(owned.window.disabled);
  EXPECT_EQ(s.commands[3].window.parent, "main");
  EXPECT_EQ(s.commands[3].text, "");
  EXPECT_EQ(s.commands[3].window.style, 0u);  // the usual style
  EXPECT_EQ(s.commands[30].window.style, static_cast<std::uint32_t>(WS_OVERLAPPEDWINDOW | WS_POPUP));
  EXPECT_EQ(s.commands[30].window.owner, "main");

  const Command &metric = s.commands[10];
  EXPECT_EQ(metric.kind, CommandKind::Metric);
  EXPECT_EQ(metric.caption, 20);
  EXPECT_EQ(metric.mintrack, 30);
  EXPECT_FALSE(s.commands[11].caption.has_value());
  EXPECT_EQ(s.commands[13].kind, CommandKind::Kill);
  EXPECT_EQ(s.commands[15].text, "right");
  EXPECT_EQ(s.commands[16].text, "alt+?");
  EXPECT_EQ(s.commands[16].name, "quillmere");

  const Command &expect = s.commands[22];
  EXPECT_EQ(expect.kind, CommandKind::Expect);
  ASSERT_EQ(expect.expectations.size(), 12u);
  EXPECT_EQ(expect.expectations[1].field, Field::Top);
  EXPECT_EQ(expect.expectations[1].number, -2);
  EXPECT_TRUE(expect.expectations[4].flag);
  EXPECT_FALSE(expect.expectations[5].flag);
  EXPECT_EQ(expect.expectations[11].field, Field::Title);
  EXPECT_EQ(expect.expectations[11].text, "New");
  EXPECT_EQ(s.commands[23].text, "rolled up: Main");
  EXPECT_EQ(s.commands[24].kind, CommandKind::ExpectExit);
  EXPECT_EQ(s.commands[26].name, "log");
  EXPECT_EQ(s.commands[29].kind, CommandKind::Destroy);
  EXPECT_EQ(s.commands[29].line, 31);
  EXPECT_EQ(s.commands[29].source, "destroy dlg");
}

TEST(ParseScenarioTest, ReloadPauseAndScriptFileCommands) {
  Scenario s = ParseScenario("menu reload\nmenu pause\nscript-file other.py\n");
  ASSERT_EQ(s.commands.size(), 3u);
  EXPECT_EQ(s.commands[0].kind, CommandKind::Menu);
  EXPECT_EQ(s.commands[0].text, "reload");
  EXPECT_EQ(s.commands[1].text, "pause");
  EXPECT_EQ(s.commands[2].kind, CommandKind::ScriptFile);
  EXPECT_EQ(s.commands[2].text, "other.py");
}

TEST(ParseScenarioTest, EmptyTextIsAnEmptyScenario) {
  EXPECT_TRUE(ParseScenario("").commands.empty());
  EXPECT_TRUE(ParseScenario("\n# nothing\n\r\n").commands.empty());
}

struct BadLine {
  const char *text;
  int line;
  const char *reason;
};

void PrintTo(const BadLine &bad, std::ostream *out) { *out << ::testing::PrintToString(std::string(bad.text)); }

class ParseScenarioErrorTest : public ::testing::TestWithParam<BadLine> {};

TEST_P(ParseScenarioErrorTest, NamesTheLineAndTheReason) {
  try {
    ParseScenario(GetParam().text);
    FAIL() << "parsed: " << GetParam().text;
  } catch (const ScenarioError &e) {
    EXPECT_EQ(e.line(), GetParam().line);
    EXPECT_THAT(e.reason(), HasSubstr(GetParam().reason));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Scenarios, ParseScenarioErrorTest,
    ::testing::Values(
        BadLine{"app a\njump a", 2, "unknown command"}, BadLine{"\"app\" a", 1, "unknown command"},
        BadLine{"app a\napp a", 2, "already been started"},
        BadLine{"window w a \"W\"", 1, "no application named \"a\""},
        BadLine{"app a\nfocus w", 2, "no window named \"w\""},
        BadLine{"app a\nwindow w a \"W\"\nwindow w a \"V\"", 3, "already exists"},
        BadLine{"app a\nwindow quillmere a \"W\"", 2, "reserved"}, BadLine{"app a\nwindow all a \"W\"", 2, "reserved"},
        BadLine{"app a\nwindow w a W", 2, "must be quoted"},
        BadLine{"app a\nwindow w a \"W\" rect=1,2,3", 2, "four whole numbers"},
        BadLine{"app a\nwindow w a \"W\" rect=5,0,1,1", 2, "R >= L"},
        BadLine{"app a\nwindow w a \"W\" rect=1,2,3,x", 2, "four whole numbers"},
        BadLine{"app a\nwindow w a \"W\" owner=v", 2, "no window named \"v\""},
        BadLine{"app a\nwindow v a \"V\"\nwindow w a \"W\" owner=v parent=v", 3, "not both"},
        BadLine{"app a\nwindow w a \"W\" hidden hidden", 2, "given twice"},
        BadLine{"app a\nwindow w a \"W\" shiny", 2, "unknown window option"},
        BadLine{"app a\nwindow w a \"W\" style=WS_VISIBLE", 2, "unknown style flag \"WS_VISIBLE\""},
        BadLine{"app a\nwindow w a \"W\" style=", 2, "style flags joined by |"},
        BadLine{"app a\nwindow w a \"W\" style=WS_POPUP|", 2, "style flags joined by |"},
        BadLine{"app a\nwindow w a \"W\" style=WS_POPUP||WS_CAPTION", 2, "unknown style flag \"\""},
        BadLine{"app a\nwindow w a \"W\" style=\"WS_POPUP\"", 2, "style flags joined by |"},
        BadLine{"hide quillmere", 1, "not an application's window"},
        BadLine{"app a\nwindow w a \"W\"\ntitle w", 3, "too few words"},
        BadLine{"app a\nwindow w a \"W\"\nfocus w w", 3, "too many words"}, BadLine{"metric", 1, "too few words"},
        BadLine{"metric caption=-1", 1, "whole number"}, BadLine{"metric border=3", 1, "caption=N and mintrack=N"},
        BadLine{"metric caption=3 caption=4", 1, "given twice"}, BadLine{"start now", 1, "too many words"},
        BadLine{"kill -9", 1, "too many words"}, BadLine{"tray middle", 1, "left or right"},
        BadLine{"menu open", 1, "about, exit, reload or pause"}, BadLine{"script-file", 1, "too few words"},
        BadLine{"script-file ../x.py", 1, "not a path"}, BadLine{"keys quillmere ctrl+x", 1, "unknown keys"},
        BadLine{"expect quillmere", 1, "too few words"}, BadLine{"expect quillmere height", 1, "FIELD=VALUE"},
        BadLine{"expect quillmere colour=red", 1, "unknown field"},
        BadLine{"expect quillmere visible=true", 1, "yes or no"},
        BadLine{"expect quillmere height=tall", 1, "whole number"},
        BadLine{"expect quillmere title=Quillmere", 1, "quoted"}, BadLine{"expect-exit zero", 1, "whole number"},
        BadLine{"print everything", 1, "no window named"}, BadLine{"# fine\n\nexpect-log \"open", 3, "unterminated"},
        BadLine{"start-second now", 1, "too many words"}, BadLine{"expect-second-exit", 1, "too few words"},
        BadLine{"expect-second-exit \"0\"", 1, "whole number"}, BadLine{"minimize", 1, "too few words"},
        BadLine{"minimize pad", 1, "no window named"}, BadLine{"expect quillmere foreground=1", 1, "yes or no"},
        BadLine{"app a\nwindow menu a \"W\"", 2, "reserved"}, BadLine{"language", 1, "too few words"},
        BadLine{"language en de", 1, "too many words"}, BadLine{"language english", 1, "en, ja, de or fr"},
        BadLine{"language \"ja\"", 1, "language"}, BadLine{"language JA", 1, "en, ja, de or fr"}));

TEST(ParseScenarioTest, LanguageNamesTheInterfaceLanguageAndPrintMenuTheMenu) {
  auto s = ParseScenario("language ja\nlanguage en\nlanguage de\nlanguage fr\nprint menu\n");
  ASSERT_EQ(s.commands.size(), 5u);
  EXPECT_EQ(s.commands[0].kind, CommandKind::Language);
  EXPECT_EQ(s.commands[0].language, MAKELANGID(LANG_JAPANESE, SUBLANG_JAPANESE_JAPAN));
  EXPECT_EQ(s.commands[1].language, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
  EXPECT_EQ(s.commands[2].language, MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN));
  EXPECT_EQ(s.commands[3].language, MAKELANGID(LANG_FRENCH, SUBLANG_FRENCH));
  EXPECT_EQ(s.commands[4].kind, CommandKind::Print);
  EXPECT_EQ(s.commands[4].name, "menu");
}

}  // namespace
