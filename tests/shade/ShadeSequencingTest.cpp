// Adding, removing, shading, unshading and restoring windows, driven by
// real scripts, with the vetoes, the busy guard and re-entry.
#include "ShadeTestSupport.h"
#include "support/TestWindowClass.h"

#include <gmock/gmock.h>

namespace {

using namespace quillmere_test;
using namespace winsim::driver;

class ShadeSequencingTest : public ShadeTest {
 protected:
  // Every slot records its calls; the filter always passes.
  void LoadRecorders(const std::string &overrides = "") {
    Load(overrides +
         "def slot(name, result=None):\n"
         "    return globals().get(name) or recorder(name, result)\n"
         "def configure():\n"
         "    return ([recorder('filter', True)], slot('onAdd'), slot('onDestroy'), slot('onShade'),\n"
         "            slot('onUnshade'), slot('afterUnshade'), slot('afterShade'))\n");
  }
  bool Shaded(HWND window) {
    auto record = manager->FindRecord(window);
    return record && record->shaded;
  }
};

TEST_F(ShadeSequencingTest, OnlyUnownedEnabledTopLevelWindowsAreAdded) {
  LoadRecorders();
  HWND top = Top(L"top");
  HWND hidden = Top(L"hidden", true, false);
  HWND disabled = Top(L"disabled", false);
  HWND owned = Owned(top);
  HWND inOwned = Child(owned);
  HWND inDisabled = Child(disabled);
  HWND pane = Child(top);

  // Shown windows are offered by their root window.
  for (HWND w : {owned, disabled, inOwned, inDisabled}) Event(WM_SHOWWINDOW, w);
  EXPECT_EQ(Calls(), "");
  EXPECT_TRUE(manager->Records().empty());

  // A child window adds its top-level window, once.
  Event(WM_SHOWWINDOW, pane);
  EXPECT_FALSE(manager->AddWindow(top));
  Event(WM_SHOWWINDOW, pane);
  EXPECT_TRUE(manager->AddWindow(hidden));  // no visibility test
  EXPECT_EQ(Calls(), Seq({Call("onAdd", top), Call("onAdd", hidden)}));
  EXPECT_TRUE(manager->FindRecord(top));
  EXPECT_FALSE(manager->FindRecord(pane));
  EXPECT_EQ(manager->Records().size(), 2u);
}

TEST_F(ShadeSequencingTest, OnlyFalseFromOnAddRefusesAndARefusedWindowIsAskedAgain) {
  Load(
      "answers = {'none': None, 'zero': 0, 'empty': '', 'false': False}\n"
      "def on_add(h, title, classname):\n"
      "    calls.append('onAdd:%d' % h)\n"
      "    return answers[title]\n"
      "def configure():\n"
      "    return ([], on_add)\n");
  for (const wchar_t *title : {L"none", L"zero", L"empty"}) EXPECT_TRUE(manager->AddWindow(Top(title))) << title;
  HWND refused = Top(L"false");
  Calls();

  EXPECT_FALSE(manager->AddWindow(refused));
  EXPECT_FALSE(manager->FindRecord(refused));
  EXPECT_FALSE(manager->AddWindow(refused));
  EXPECT_EQ(Calls(), Seq({Call("onAdd", refused), Call("onAdd", refused)}));

  Exec("answers['false'] = True");
  EXPECT_TRUE(manager->AddWindow(refused));
  EXPECT_TRUE(manager->FindRecord(refused));
}

TEST_F(ShadeSequencingTest, ExistingWindowsAreOfferedInEnumerationOrderIncludingTheProgramsOwn) {
  LoadRecorders();
  HWND a = Top(L"a");
  HWND hidden = Top(L"hidden", true, false);
  Owned(a);
  HWND own = CreateWindowExW(0, RegisterTestClass(L"ProgramMain", DefWindowProcW), L"program", WS_OVERLAPPEDWINDOW, 0,
                             0, 200, 200, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(own, nullptr);

  manager->AddExistingWindows();

  std::vector<std::string> expected;
  for (HWND w : TopLevelWindows())
    if (w == a || w == hidden || w == own) expected.push_back(Call("onAdd", w));
  ASSERT_EQ(expected.size(), 3u);
  EXPECT_EQ(Calls(), Seq({expected[0], expected[1], expected[2]}));
  EXPECT_EQ(manager->Records().size(), 3u);
  DestroyWindow(own);
}

TEST_F(ShadeSequencingTest, ShadeAndUnshadeRunTheirHandlerPairsAndFlipTheState) {
  LoadRecorders();
  HWND w = Top(L"window");
  HWND pane = Child(w);
  ASSERT_TRUE(manager->AddWindow(w));
  Calls();

  // An unshade of an unshaded window calls nothing.
  EXPECT_FALSE(manager->RequestShade(w, false));
  EXPECT_EQ(Calls(), "");

  // Focus events name any window inside; the script sees the root.
  HWND elsewhere = Top(L"elsewhere");
  Event(WM_KILLFOCUS, pane, elsewhere);
  EXPECT_EQ(Calls(), Seq({Call("filter", w), Call("onShade", w), Call("afterShade", w)}));
  EXPECT_TRUE(Shaded(w));

  // Shading again asks the filters, then stops.
  EXPECT_FALSE(manager->RequestShade(w, true));
  EXPECT_EQ(Calls(), Call("filter", w));

  Event(WM_SETFOCUS, pane, elsewhere);
  EXPECT_EQ(Calls(), Seq({Call("onUnshade", w), Call("afterUnshade", w)}));
  EXPECT_FALSE(Shaded(w));
  EXPECT_FALSE(manager->FindRecord(w)->busy);
}

TEST_F(ShadeSequencingTest, FalseFromOnShadeOrOnUnshadeCancelsAndTheNextRequestAsksAgain) {
  LoadRecorders(
      "veto = {'shade': True, 'unshade': True}\n"
      "def onShade(h, title, classname):\n"
      "    calls.append('onShade:%d' % h)\n"
      "    return False if veto['shade'] else None\n"
      "def onUnshade(h, title, classname):\n"
      "    calls.append('onUnshade:%d' % h)\n"
      "    return False if veto['unshade'] else None\n"
      "afterShade = recorder('afterShade', False)\n");  // its result is ignored
  HWND w = Top(L"window");
  ASSERT_TRUE(manager->AddWindow(w));
  Calls();

  EXPECT_FALSE(manager->RequestShade(w, true));
  EXPECT_EQ(Calls(), Seq({Call("filter", w), Call("onShade", w)}));
  EXPECT_FALSE(Shaded(w));
  EXPECT_FALSE(manager->FindRecord(w)->busy);
  EXPECT_FALSE(manager->RequestShade(w, true));
  EXPECT_EQ(Calls(), Seq({Call("filter", w), Call("onShade", w)}));

  Exec("veto['shade'] = False");
  EXPECT_TRUE(manager->RequestShade(w, true));
  EXPECT_EQ(Calls(), Seq({Call("filter", w), Call("onShade", w), Call("afterShade", w)}));
  EXPECT_TRUE(Shaded(w));

  EXPECT_FALSE(manager->RequestShade(w, false));
  EXPECT_EQ(Calls(), Call("onUnshade", w));
  EXPECT_TRUE(Shaded(w));
  EXPECT_FALSE(manager->FindRecord(w)->busy);
  Exec("veto['unshade'] = False");
  EXPECT_TRUE(manager->RequestShade(w, false));
  EXPECT_EQ(Calls(), Seq({Call("onUnshade", w), Call("afterUnshade", w)}));
  EXPECT_FALSE(Shaded(w));
}

TEST_F(ShadeSequencingTest, FiltersAreNotAskedAboutAWindowThatBecameIneligible) {
  LoadRecorders();
  HWND w = Top(L"window");
  ASSERT_TRUE(manager->AddWindow(w));
  Calls();
  EnableAppWindow(w, false);  // it shows a modal dialog box
  EXPECT_FALSE(manager->RequestShade(w, true));
  EXPECT_EQ(Calls(), "");
}

TEST_F(ShadeSequencingTest, RequestsForAWindowWhoseHandlersRunAreRefusedOthersAreCarriedOut) {
  LoadRecorders(
      "other = 0\n"
      "nested = []\n"
      "def reenter(h):\n"
      "    if h == other:\n"
      "        return\n"
      "    nested.append(shadetest.request_shade(h, True))\n"
      "    nested.append(shadetest.request_shade(h, False))\n"
      "    nested.append(shadetest.request_shade(other, True))\n"
      "onShade = recorder('onShade', None, reenter)\n"
      "onUnshade = recorder('onUnshade', None, reenter)\n");
  HWND w = Top(L"window");
  HWND other = Top(L"other");
  ASSERT_TRUE(manager->AddWindow(w));
  ASSERT_TRUE(manager->AddWindow(other));
  Exec("other = " + HandleText(other));
  Calls();

  EXPECT_TRUE(manager->RequestShade(w, true));
  // The refused requests call nothing; the other window is shaded inside.
  EXPECT_EQ(Calls(), Seq({Call("filter", w), Call("onShade", w), Call("filter", other), Call("onShade", other),
                          Call("afterShade", other), Call("afterShade", w)}));
  EXPECT_EQ(Eval("nested"), "[False, False, True]");
  EXPECT_TRUE(Shaded(w));
  EXPECT_TRUE(Shaded(other));

  Exec("nested.clear()");
  EXPECT_TRUE(manager->RequestShade(w, false));
  EXPECT_EQ(Eval("nested"), "[False, False, False]");
  EXPECT_EQ(Calls(), Seq({Call("onUnshade", w), Call("filter", other), Call("afterUnshade", w)}));
  EXPECT_FALSE(Shaded(w));
}

TEST_F(ShadeSequencingTest, RemovingAWindowUnshadesItAndForgetsIt) {
  LoadRecorders();
  HWND shaded = Top(L"shaded");
  HWND plain = Top(L"plain");
  HWND pane = Child(plain);
  manager->AddWindow(shaded);
  manager->AddWindow(plain);
  ASSERT_TRUE(manager->RequestShade(shaded, true));
  Calls();

  EXPECT_TRUE(manager->RemoveWindow(shaded));
  EXPECT_EQ(Calls(), Seq({Call("onDestroy", shaded), Call("onUnshade", shaded), Call("afterUnshade", shaded)}));
  EXPECT_FALSE(manager->FindRecord(shaded));
  EXPECT_FALSE(manager->RemoveWindow(shaded));

  // A live child's destroy event ends its top-level window's management.
  Event(WM_DESTROY, pane);
  EXPECT_EQ(Calls(), Call("onDestroy", plain));
  EXPECT_TRUE(manager->Records().empty());

  // Shown again, it is managed afresh.
  EXPECT_TRUE(manager->AddWindow(plain));
}

TEST_F(ShadeSequencingTest, AShadedWindowThatIsAlreadyGoneIsRemovedUnderItsOwnHandle) {
  LoadRecorders(
      "seen = []\n"
      "def onDestroy(h, title, classname):\n"
      "    calls.append('onDestroy:%d' % h)\n"
      "    seen.append((title, classname))\n"
      "onUnshade = recorder('onUnshade', False)\n");  // the removal does not depend on it
  HWND w = Top(L"window");
  HWND pane = Child(w);
  manager->AddWindow(w);
  ASSERT_TRUE(manager->RequestShade(w, true));
  Calls();

  HWND elsewhere = Top(L"elsewhere");
  DestroyAppWindow(w);  // takes the child with it
  // A destroyed child's handle finds no record.
  Event(WM_DESTROY, pane);
  EXPECT_EQ(Calls(), "");
  // Neither a focus event nor a restore reaches a window that is gone.
  Event(WM_SETFOCUS, w, elsewhere);
  manager->RestoreAll();
  EXPECT_EQ(Calls(), "");
  EXPECT_TRUE(manager->FindRecord(w));

  Event(WM_DESTROY, w);
  EXPECT_EQ(Calls(), Seq({Call("onDestroy", w), Call("onUnshade", w)}));
  EXPECT_EQ(Eval("seen"), "[('', '')]");
  EXPECT_TRUE(manager->Records().empty());
}

TEST_F(ShadeSequencingTest, AWindowRemovedWhileItsHandlerRunsEndsTheOperationThere) {
  LoadRecorders(
      "removed = []\n"
      "def vanish(h):\n"
      "    shadetest.destroy_window(h)\n"
      "    removed.append(shadetest.remove_window(h))\n"
      "onShade = recorder('onShade', None, vanish)\n");
  HWND w = Top(L"window");
  manager->AddWindow(w);
  Calls();

  EXPECT_FALSE(manager->RequestShade(w, true));

  // Inside, the destroy event ran onDestroy and forgot the window (its
  // unshade path was refused, as the window was busy); afterShade never ran.
  EXPECT_EQ(Eval("removed"), "[True]");
  EXPECT_EQ(Calls(), Seq({Call("filter", w), Call("onShade", w), Call("onDestroy", w)}));
  EXPECT_TRUE(manager->Records().empty());
}

TEST_F(ShadeSequencingTest, AWindowDestroyedWhileOnAddRunsIsNotAdded) {
  LoadRecorders("onAdd = recorder('onAdd', None, shadetest.destroy_window)\n");
  HWND w = Top(L"window");
  EXPECT_FALSE(manager->AddWindow(w));
  EXPECT_TRUE(manager->Records().empty());
}

TEST_F(ShadeSequencingTest, RestoreAllUnshadesShadedWindowsInAscendingHandleOrderAndKeepsTheRecords) {
  LoadRecorders(
      "refuse = 0\n"
      "def onUnshade(h, title, classname):\n"
      "    calls.append('onUnshade:%d' % h)\n"
      "    return False if h == refuse else None\n");
  HWND a = Top(L"a"), b = Top(L"b"), c = Top(L"c"), d = Top(L"d");
  for (HWND w : {d, c, b, a}) manager->AddWindow(w);
  for (HWND w : {d, c, a}) ASSERT_TRUE(manager->RequestShade(w, true));
  Exec("refuse = " + HandleText(c));
  Calls();

  manager->RestoreAll();

  EXPECT_EQ(Calls(), Seq({Call("onUnshade", a), Call("afterUnshade", a), Call("onUnshade", c), Call("onUnshade", d),
                          Call("afterUnshade", d)}));
  EXPECT_FALSE(Shaded(a));
  EXPECT_TRUE(Shaded(c));
  EXPECT_FALSE(Shaded(d));
  EXPECT_EQ(manager->Records().size(), 4u);
}

TEST_F(ShadeSequencingTest, RestoreAllSurvivesHandlersThatRemoveOtherRecords) {
  LoadRecorders(
      "victim = 0\n"
      "def remove_victim(h):\n"
      "    if h != victim:\n"
      "        shadetest.remove_window(victim)\n"
      "onUnshade = recorder('onUnshade', None, remove_victim)\n");
  HWND a = Top(L"a"), b = Top(L"b"), c = Top(L"c");
  for (HWND w : {a, b, c}) {
    manager->AddWindow(w);
    ASSERT_TRUE(manager->RequestShade(w, true));
  }
  Exec("victim = " + HandleText(b));
  Calls();

  manager->RestoreAll();

  // b is removed (and unshaded) inside a's handler and not visited again.
  EXPECT_EQ(Calls(), Seq({Call("onUnshade", a), Call("onDestroy", b), Call("onUnshade", b), Call("afterUnshade", b),
                          Call("afterUnshade", a), Call("onUnshade", c), Call("afterUnshade", c)}));
  EXPECT_FALSE(manager->FindRecord(b));
}

TEST_F(ShadeSequencingTest, StaleHandlesFindNothing) {
  LoadRecorders();
  HWND w = Top(L"window");
  DestroyAppWindow(w);
  EXPECT_FALSE(manager->AddWindow(w));
  EXPECT_FALSE(manager->RequestShade(w, true));
  EXPECT_FALSE(manager->RemoveWindow(w));
  EXPECT_FALSE(manager->AddWindow(nullptr));
  EXPECT_FALSE(manager->RemoveWindow(nullptr));
  EXPECT_EQ(Calls(), "");
  EXPECT_TRUE(manager->Records().empty());
}

}  // namespace
