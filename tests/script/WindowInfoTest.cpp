// Describing windows of other applications on the simulated desktop.
#include "script/WindowInfo.h"

#include "script/ScriptTestSupport.h"

#include <winsim/driver.h>

namespace {

using namespace winsim::driver;

class WindowInfoTest : public quillmere_test::ScriptTest {
 protected:
  void SetUp() override {
    ScriptTest::SetUp();
    app = StartApp("described");
  }
  HWND Make(const std::wstring &title, HWND parent = nullptr, HWND owner = nullptr, bool visible = true,
            bool enabled = true, const std::wstring &className = L"SimAppWindow") {
    NewWindow newWindow;
    newWindow.title = title;
    newWindow.parent = parent;
    newWindow.owner = owner;
    newWindow.visible = visible;
    newWindow.enabled = enabled;
    newWindow.className = className;
    return CreateAppWindow(app, newWindow);
  }
  DWORD app = 0;
};

TEST_F(WindowInfoTest, TopLevelOwnedAndChildWindows) {
  HWND top = Make(L"Editor \u00e9\U0001F600", nullptr, nullptr, true, true, L"EditorFrame");
  HWND popup = Make(L"Find", nullptr, top, true, true, L"FindDialog");
  HWND child = Make(L"", top, nullptr, true, true, L"Pane");

  WindowInfo t = DescribeWindow(top);
  EXPECT_EQ(t.parent, nullptr);
  EXPECT_EQ(t.owner, nullptr);
  EXPECT_TRUE(t.is_visible);
  EXPECT_TRUE(t.is_enabled);
  EXPECT_EQ(t.title, L"Editor \u00e9\U0001F600");
  EXPECT_EQ(t.classname, L"EditorFrame");

  // The platform reports a pop-up's owner as its parent too.
  WindowInfo p = DescribeWindow(popup);
  EXPECT_EQ(p.parent, top);
  EXPECT_EQ(p.owner, top);
  EXPECT_EQ(p.classname, L"FindDialog");

  // No text: an empty title, still the real class name.
  WindowInfo c = DescribeWindow(child);
  EXPECT_EQ(c.parent, top);
  EXPECT_EQ(c.owner, nullptr);
  EXPECT_EQ(c.title, L"");
  EXPECT_EQ(c.classname, L"Pane");

  WindowInfo hidden = DescribeWindow(Make(L"Hidden", nullptr, nullptr, false, true));
  EXPECT_FALSE(hidden.is_visible);
  EXPECT_TRUE(hidden.is_enabled);
  EXPECT_EQ(hidden.title, L"Hidden");
  WindowInfo disabled = DescribeWindow(Make(L"Disabled", nullptr, nullptr, true, false));
  EXPECT_TRUE(disabled.is_visible);
  EXPECT_FALSE(disabled.is_enabled);
}

TEST_F(WindowInfoTest, LongTextIsCutToTheBufferAndChangesAreSeenAtOnce) {
  std::wstring text;
  for (int i = 0; i < 2000; ++i) text += static_cast<wchar_t>(L'a' + i % 26);
  HWND window = Make(L"short");
  WindowInfo before = DescribeWindow(window);

  SetAppWindowText(window, text);
  WindowInfo after = DescribeWindow(window);

  EXPECT_EQ(after.title.size(), static_cast<size_t>(kWindowTextCapacity - 1));
  EXPECT_EQ(after.title, text.substr(0, kWindowTextCapacity - 1));
  EXPECT_EQ(before.title, L"short");
  EXPECT_EQ(after.classname, before.classname);
  EXPECT_EQ(after.parent, before.parent);
  EXPECT_EQ(after.is_visible, before.is_visible);
}

TEST_F(WindowInfoTest, AStaleHandleDescribesAsNothing) {
  HWND owner = Make(L"Owner");
  HWND popup = Make(L"Gone soon", nullptr, owner);
  DestroyAppWindow(popup);

  WindowInfo info = DescribeWindow(popup);

  EXPECT_EQ(info.parent, nullptr);
  EXPECT_EQ(info.owner, nullptr);
  EXPECT_FALSE(info.is_visible);
  EXPECT_FALSE(info.is_enabled);
  EXPECT_EQ(info.title, L"");
  EXPECT_EQ(info.classname, L"");
  EXPECT_EQ(DescribeWindow(nullptr).classname, L"");
}

TEST_F(WindowInfoTest, ReadingTheTextsAloneMatchesTheDescriptionAndReportsOnlyChanges) {
  std::wstring text;
  for (int i = 0; i < 2000; ++i) text += static_cast<wchar_t>(L'a' + i % 26);
  HWND window = Make(L"first", nullptr, nullptr, true, true, L"EditorFrame");
  std::wstring title, classname;
  int copied = -1;

  EXPECT_TRUE(ReadWindowTitle(window, title, &copied));
  EXPECT_EQ(copied, 5);
  EXPECT_TRUE(ReadWindowClassName(window, classname));
  EXPECT_EQ(title, L"first");
  EXPECT_EQ(classname, L"EditorFrame");
  // The same texts again: nothing changed.
  EXPECT_FALSE(ReadWindowTitle(window, title));
  EXPECT_FALSE(ReadWindowClassName(window, classname));

  SetAppWindowText(window, text);
  EXPECT_TRUE(ReadWindowTitle(window, title));
  EXPECT_EQ(title, DescribeWindow(window).title);
  EXPECT_EQ(title.size(), static_cast<size_t>(kWindowTextCapacity - 1));

  // A window that is gone reads as empty texts, never as the last ones.
  DestroyAppWindow(window);
  EXPECT_TRUE(ReadWindowTitle(window, title, &copied));
  EXPECT_EQ(copied, 0);
  EXPECT_TRUE(ReadWindowClassName(window, classname));
  EXPECT_EQ(title, L"");
  EXPECT_EQ(classname, L"");
}

}  // namespace
