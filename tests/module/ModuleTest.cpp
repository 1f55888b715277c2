// The script module "Quillmere" as scripts use it: the log, window
// descriptions, and the effects on other applications' windows.
#include <cstdio>
#include <string>

#include "ProgramFixture.h"

using namespace winsim::driver;

namespace {

std::string Handle(HWND h) { return std::to_string(static_cast<int>(reinterpret_cast<intptr_t>(h))); }

class Module : public ProgramTest {
 protected:
  void SetUp() override {
    ProgramTest::SetUp();
    WriteSettings(10, 20, 400, 300, false, false);
    app = StartApp("a");
  }
  // Runs a script whose top level does the work, and gives the log.
  std::wstring RunScript(const std::string &body) {
    WriteScript("import Quillmere\n" + body + "\ndef configure():\n    return ([],)\n");
    Start();
    return Log();
  }
  DWORD app = 0;
};

TEST_F(Module, LogAppendsLinesUpToAnEmbeddedNullAndRefusesBytes) {
  std::wstring log = RunScript(R"py(
Quillmere.log(u"abc")
Quillmere.log(u"abc")
Quillmere.log(u"before\0after")
try:
    Quillmere.log(b"bytes")
except TypeError:
    Quillmere.log(u"TypeError")
try:
    Quillmere.log()
except TypeError:
    Quillmere.log(u"no argument")
)py");
  EXPECT_EQ(log, L"abc\r\nabc\r\nbefore\r\nTypeError\r\nno argument\r\n");
}

TEST_F(Module, LogKeepsTheLast32768Characters) {
  // 32766 characters and a line break fill the log exactly; one more
  // character pushes the oldest one out.
  std::wstring log = RunScript(R"py(
Quillmere.log(u"a" * 32766)
)py");
  EXPECT_EQ(log.size(), 32768u);
  EXPECT_EQ(log[0], L'a');
}

TEST_F(Module, LogCutAtTheLimitDropsTheOldestCharacters) {
  std::wstring log = RunScript(R"py(
Quillmere.log(u"b" + u"a" * 32766)
)py");
  ASSERT_EQ(log.size(), 32768u);
  EXPECT_EQ(log[0], L'a');
}

TEST_F(Module, LogNeverStartsWithHalfASurrogatePair) {
  // Window text is UTF-16 on the platform: a cut between the two halves
  // of a pair drops the orphaned second half too.
  std::wstring log = RunScript(R"py(
Quillmere.log(u"\ud83d\ude00" + u"x" * 32765)
)py");
  ASSERT_EQ(log.size(), 32767u);
  EXPECT_EQ(log[0], L'x');
}

TEST_F(Module, GetWindowPropertyDescribesAWindowWithTheRightTypes) {
  NewWindow newOwner;
  newOwner.title = L"Owner";
  HWND owner = CreateAppWindow(app, newOwner);
  NewWindow newDialog;
  newDialog.title = L"Dialog \U0001F600";
  newDialog.owner = owner;
  newDialog.enabled = false;
  HWND dialog = CreateAppWindow(app, newDialog);
  std::wstring log = RunScript("d = Quillmere.getWindowProperty(" + Handle(dialog) + R"py()
Quillmere.log(u",".join(sorted(d.keys())))
Quillmere.log(u"%s %s %s %s %s %s" % tuple(type(d[k]).__name__ for k in
    ("parent", "owner", "is_visible", "is_enabled", "title", "classname")))
Quillmere.log(u"%d %d %s %s" % (d["parent"], d["owner"], d["is_visible"], d["is_enabled"]))
Quillmere.log(d["title"] + u"|" + d["classname"])
stale = Quillmere.getWindowProperty(7)
Quillmere.log(repr(sorted(stale.items())))
)py");
  std::string ownerText = Handle(owner);
  std::wstring h(ownerText.begin(), ownerText.end());
  EXPECT_EQ(log,
            L"classname,is_enabled,is_visible,owner,parent,title\r\n"
            L"int int bool bool str str\r\n" +
                h + L" " + h +
                L" True False\r\n"
                L"Dialog \U0001F600|SimAppWindow\r\n"
                L"[('classname', ''), ('is_enabled', False), ('is_visible', False), ('owner', 0), "
                L"('parent', 0), ('title', '')]\r\n");
}

TEST_F(Module, BadArgumentsRaiseTheInterpretersErrorsAndChangeNothing) {
  HWND w = CreateAppWindow(app, NewWindow{});
  std::wstring log = RunScript("h = " + Handle(w) + R"py(
for call in (lambda: Quillmere.doShadeWindow(h, 256),
             lambda: Quillmere.doShadeWindow(h, -1),
             lambda: Quillmere.doTopmostWindow(u"h", 1),
             lambda: Quillmere.getWindowProperty(2 ** 40),
             lambda: Quillmere.doTransparentWindow(h)):
    try:
        call()
        Quillmere.log(u"no error")
    except Exception as e:
        Quillmere.log(type(e).__name__)
Quillmere.doTopmostWindow(h, 2)
)py");
  EXPECT_EQ(log, L"OverflowError\r\nOverflowError\r\nTypeError\r\nOverflowError\r\nTypeError\r\n");
  EXPECT_TRUE(ReadWindow(w).topmost);  // a flag of 2 counts as true
}

TEST_F(Module, EffectsOnWindowsWithoutARecordChangeNothing) {
  NewWindow top;
  HWND parent = CreateAppWindow(app, top);
  NewWindow newChild;
  newChild.parent = parent;
  newChild.rect = RECT{0, 0, 50, 50};
  HWND child = CreateAppWindow(app, newChild);
  // At load time no window has a record yet.
  std::wstring log = RunScript("Quillmere.doShadeWindow(" + Handle(parent) + ", 1)\n" + "Quillmere.doShadeWindow(" +
                               Handle(child) + ", 1)\n" + "Quillmere.doTransparentWindow(12345, 1)\n" +
                               "Quillmere.log(u'still here')\n");
  EXPECT_EQ(log, L"still here\r\n");
  EXPECT_EQ(ReadWindow(parent).rect.bottom - ReadWindow(parent).rect.top, 300);
  EXPECT_EQ(ReadWindow(child).rect.bottom, ReadWindow(parent).rect.top + 4 + 19 + 50);
}

// Effects need the window's record, which exists once the window is
// managed: these scripts apply them from their shade and unshade handlers.
class Effects : public Module {
 protected:
  void StartWithHandlers(const std::string &onShade, const std::string &onUnshade) {
    WriteScript(
        "import Quillmere\n"
        "def always(h, t, c):\n    return True\n"
        "def on_shade(h, t, c):\n" +
        onShade +
        "\n"
        "def on_unshade(h, t, c):\n" +
        onUnshade +
        "\n"
        "def configure():\n    return ([always], None, None, on_shade, on_unshade)\n");
    other = CreateAppWindow(StartApp("other"), NewWindow{});
    Start();
  }
  HWND Window(const wchar_t *title, bool layered = false) {
    NewWindow newWindow;
    newWindow.title = title;
    newWindow.rect = RECT{50, 60, 450, 360};
    newWindow.layered = layered;
    return CreateAppWindow(app, newWindow);
  }
  // Focus to the window and away: a shade request for it.
  void FocusAway(HWND w) {
    Click(w);
    Click(other);
  }
  HWND other = nullptr;
};

TEST_F(Effects, ShadeThenUnshadeGivesBackSizeAndFrameAtTheCurrentPosition) {
  HWND w = Window(L"W");
  StartWithHandlers("    Quillmere.doShadeWindow(h, 1)", "    Quillmere.doShadeWindow(h, 0)");
  FocusAway(w);
  auto rolled = ReadWindow(w);
  EXPECT_EQ(rolled.rect.bottom - rolled.rect.top, 27);  // the caption, raised to the minimum tracking height
  EXPECT_EQ(rolled.rect.right - rolled.rect.left, 400);
  EXPECT_EQ(rolled.rect.left, 50);
  EXPECT_FALSE(rolled.style & WS_THICKFRAME);
  SetWindowPos(w, nullptr, 200, 210, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  Click(w);
  auto s = ReadWindow(w);
  EXPECT_EQ(s.rect.left, 200);
  EXPECT_EQ(s.rect.top, 210);
  EXPECT_EQ(s.rect.right - s.rect.left, 400);
  EXPECT_EQ(s.rect.bottom - s.rect.top, 300);
  EXPECT_TRUE(s.style & WS_THICKFRAME);
}

TEST_F(Effects, CaptionHeightFollowsTheSystemMetric) {
  HWND w = Window(L"W");
  SetSystemMetric(SM_CYMINTRACK, 10);
  SetSystemMetric(SM_CYCAPTION, 23);
  StartWithHandlers("    Quillmere.doShadeWindow(h, 1)", "    pass");
  FocusAway(w);
  EXPECT_EQ(ReadWindow(w).rect.bottom - ReadWindow(w).rect.top, 23);
}

TEST_F(Effects, TranslucencyKeepsALayeredWindowsOwnStyleAndRemovesAnAddedOne) {
  HWND layered = Window(L"layered", true), plain = Window(L"plain");
  StartWithHandlers("    Quillmere.doTransparentWindow(h, 1)", "    Quillmere.doTransparentWindow(h, 0)");
  FocusAway(layered);
  FocusAway(plain);
  EXPECT_EQ(ReadWindow(layered).alpha, 128);
  EXPECT_EQ(ReadWindow(plain).alpha, 128);
  EXPECT_TRUE(ReadWindow(plain).exStyle & WS_EX_LAYERED);
  Click(layered);
  EXPECT_EQ(ReadWindow(layered).alpha, 255);
  EXPECT_TRUE(ReadWindow(layered).exStyle & WS_EX_LAYERED);
  Click(plain);
  EXPECT_EQ(ReadWindow(plain).alpha, 255);
  EXPECT_FALSE(ReadWindow(plain).exStyle & WS_EX_LAYERED);
}

TEST_F(Effects, CancellingTranslucencyWithoutMakingItLeavesTheLayeredStyle) {
  HWND layered = Window(L"layered", true);
  StartWithHandlers("    Quillmere.doTransparentWindow(h, 0)", "    pass");
  FocusAway(layered);
  EXPECT_TRUE(ReadWindow(layered).exStyle & WS_EX_LAYERED);
}

TEST_F(Effects, TopMostOnAndOff) {
  NewWindow newWindow;
  newWindow.title = L"W";
  HWND w = CreateAppWindow(app, newWindow);
  WriteScript("import Quillmere\nQuillmere.doTopmostWindow(" + Handle(w) + ", 1)\n" +
              "def configure():\n    return ([],)\n");
  Start();
  EXPECT_TRUE(ReadWindow(w).topmost);
  EXPECT_EQ(TopLevelWindows().front(), w);
}

TEST_F(Effects, TopMostOff) {
  NewWindow newWindow;
  newWindow.title = L"W";
  HWND w = CreateAppWindow(app, newWindow);
  WriteScript("import Quillmere\nQuillmere.doTopmostWindow(" + Handle(w) + ", 1)\n" + "Quillmere.doTopmostWindow(" +
              Handle(w) + ", 0)\n" + "def configure():\n    return ([],)\n");
  Start();
  EXPECT_FALSE(ReadWindow(w).topmost);
  EXPECT_FALSE(ReadWindow(w).exStyle & WS_EX_TOPMOST);
}

}  // namespace

// The type stub shipped for editors names exactly the module's functions,
// with their documentation strings and numbers of arguments.
TEST_F(Module, TheTypeStubMatchesTheModule) {
  std::wstring log = RunScript(R"py(
import ast
with open(")py" QUILLMERE_TYPE_STUB R"py(", encoding="utf-8") as f:
    stub = ast.parse(f.read())
functions = {node.name: node for node in stub.body if isinstance(node, ast.FunctionDef)}
names = sorted(name for name in dir(Quillmere) if not name.startswith("_"))
Quillmere.log(u"names %s" % (sorted(functions) == names))
for name in names:
    node = functions.get(name)
    if node is None:
        continue
    same_doc = ast.get_docstring(node) == getattr(Quillmere, name).__doc__
    Quillmere.log(u"%s doc %s arguments %d" % (name, same_doc, len(node.args.posonlyargs)))
)py");
  EXPECT_EQ(log,
            L"names True\r\n"
            L"doShadeWindow doc True arguments 2\r\n"
            L"doTopmostWindow doc True arguments 2\r\n"
            L"doTransparentWindow doc True arguments 2\r\n"
            L"getWindowProperty doc True arguments 1\r\n"
            L"log doc True arguments 1\r\n");
}
