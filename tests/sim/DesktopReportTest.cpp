#include "DesktopReport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>

#include "Text.h"

namespace {

using namespace quillmere::sim;
using ::testing::ElementsAre;
using winsim::driver::WindowState;

WindowState Window(RECT rect) {
  WindowState s;
  s.exists = true;
  s.rect = rect;
  s.style = WS_OVERLAPPEDWINDOW | WS_VISIBLE;
  s.visible = true;
  s.enabled = true;
  s.text = L"Editor";
  s.className = L"SimAppWindow";
  return s;
}

// ---- the changes of one window ----

TEST(DescribeChangesTest, RollingUpReadsAsResizeFrameAndTranslucency) {
  WindowState before = Window({60, 60, 560, 460});
  WindowState after = before;
  after.rect.bottom = 60 + 27;
  after.style &= ~WS_THICKFRAME;
  after.exStyle |= WS_EX_LAYERED;
  after.layeredAttributes = true;
  after.alpha = 128;
  EXPECT_THAT(DescribeChanges(before, after),
              ElementsAre("resized 500x400 -> 500x27", "lost its sizing frame", "became translucent (alpha 128)"));
  EXPECT_THAT(DescribeChanges(after, before),
              ElementsAre("resized 500x27 -> 500x400", "gained its sizing frame", "became opaque again"));
}

TEST(DescribeChangesTest, AlphaCountsOnlyOnALayeredWindowWithAttributes) {
  WindowState before = Window({0, 0, 10, 10});
  WindowState after = before;
  after.alpha = 100;  // not layered: shows opaque
  EXPECT_TRUE(DescribeChanges(before, after).empty());
  after.exStyle |= WS_EX_LAYERED;  // layered, no attributes yet
  EXPECT_THAT(DescribeChanges(before, after), ElementsAre("became layered"));
  EXPECT_EQ(EffectiveAlpha(after), 255);
}

TEST(DescribeChangesTest, MovesTitlesVisibilityEnablingAndStacking) {
  WindowState before = Window({0, 0, 100, 100});
  WindowState after = before;
  after.rect = {5, 0, 105, 100};
  after.text = L"Editor *";
  after.visible = false;
  after.enabled = false;
  after.topmost = true;
  EXPECT_THAT(DescribeChanges(before, after), ElementsAre("retitled \"Editor\" -> \"Editor *\"", "hidden", "disabled",
                                                          "moved (0,0) -> (5,0)", "became top-most"));
  EXPECT_TRUE(DescribeChanges(before, before).empty());
}

TEST(DescribeChangesTest, CreationAndDestruction) {
  WindowState absent;
  WindowState w = Window({1, 2, 11, 22});
  auto created = DescribeChanges(absent, w);
  ASSERT_EQ(created.size(), 1u);
  EXPECT_EQ(created[0], "appeared: \"Editor\" (1,2) 10x20 [SimAppWindow] visible, sizing frame");
  EXPECT_THAT(DescribeChanges(w, absent), ElementsAre("was destroyed"));
  EXPECT_TRUE(DescribeChanges(absent, absent).empty());
}

// ---- new log lines ----

TEST(NewLogLinesTest, LinesAddedAtTheEnd) {
  EXPECT_THAT(NewLogLines({}, {"a", "b"}), ElementsAre("a", "b"));
  EXPECT_THAT(NewLogLines({"a"}, {"a", "b", "c"}), ElementsAre("b", "c"));
  EXPECT_TRUE(NewLogLines({"a", "b"}, {"a", "b"}).empty());
  // A repeated line is new all the same.
  EXPECT_THAT(NewLogLines({"x"}, {"x", "x"}), ElementsAre("x"));
}

TEST(NewLogLinesTest, LinesDroppedFromTheFrontAreNotNew) {
  EXPECT_THAT(NewLogLines({"a", "b", "c"}, {"c", "d"}), ElementsAre("d"));
  // The bounded log cut the first kept line short.
  EXPECT_THAT(NewLogLines({"first", "second line", "third"}, {"line", "third", "fourth"}), ElementsAre("fourth"));
  // Nothing of the old log is left.
  EXPECT_THAT(NewLogLines({"a"}, {"b"}), ElementsAre("b"));
}

// ---- snapshots compared ----

TEST(CompareSnapshotsTest, NamedWindowsAlwaysUnnamedOnlyWhileVisibleThenTheLog) {
  HWND named = reinterpret_cast<HWND>(0x10), dialog = reinterpret_cast<HWND>(0x20),
       hidden = reinterpret_cast<HWND>(0x30);
  WindowState w = Window({0, 0, 100, 100});
  WindowState invisible = w;
  invisible.visible = false;
  DesktopSnapshot before;
  before.windows.push_back({named, "editor", true, w});
  before.log = {"one"};
  DesktopSnapshot after;
  WindowState shaded = w;
  shaded.rect.bottom = 27;
  after.windows.push_back({named, "editor", true, shaded});
  after.windows.push_back({dialog, "\"About\"", false, w});
  after.windows.push_back({hidden, "<Tool>", false, invisible});
  after.log = {"one", "two"};
  auto lines = CompareSnapshots(before, after);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].label, "editor");
  EXPECT_EQ(lines[0].text, "resized 100x100 -> 100x27");
  EXPECT_EQ(lines[1].label, "\"About\"");
  EXPECT_EQ(lines[2].label, "log");
  EXPECT_EQ(lines[2].text, "two");

  std::ostringstream out;
  WriteReport(out, lines, "  ");
  EXPECT_EQ(out.str().substr(0, out.str().find('\n')), "  editor   resized 100x100 -> 100x27");
}

// ---- text ----

TEST(TextTest, WideTextRoundTripsThroughUtf8) {
  std::wstring japanese = L"\x30D0\x30FC\x30B8\x30E7\x30F3 v1.02 \U0001F600";
  EXPECT_EQ(Widen(Narrow(japanese)), japanese);
  EXPECT_EQ(Widen("a\xFF"
                  "b"),
            L"a\xFFFD"
            L"b");
  EXPECT_EQ(Widen("\xE3\x83"), L"\xFFFD\xFFFD");  // cut short
  EXPECT_EQ(Quote("say \"hi\" \\"), "\"say \\\"hi\\\" \\\\\"");
}

TEST(TextTest, WideCharactersTakeTwoColumnsSoLabelsStayAligned) {
  EXPECT_EQ(DisplayWidth("abc"), 3u);
  EXPECT_EQ(DisplayWidth(Narrow(L"\x30D0\x30FC\x30B8\x30E7\x30F3 Q")), 12u);
  std::ostringstream out;
  WriteReport(out, {{Narrow(L"\x7248"), "x"}, {"abc", "y"}}, "");
  EXPECT_EQ(out.str(), Narrow(L"\x7248") + "   x\nabc  y\n");
}

TEST(TextTest, LogLinesSplitOnCrLf) {
  EXPECT_THAT(SplitLines(L"one\r\ntwo\r\n"), ElementsAre("one", "two"));
  EXPECT_THAT(SplitLines(L"one\r\n\r\nthree"), ElementsAre("one", "", "three"));
  EXPECT_TRUE(SplitLines(L"").empty());
}

}  // namespace
