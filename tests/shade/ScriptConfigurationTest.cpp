// What the script's `configure` hands over, how filters and handlers are
// called, and how their results and failures are read.
#include "ShadeTestSupport.h"

#include "script/ScriptErrorReport.h"
#include "script/ScriptFile.h"

#include <gmock/gmock.h>

#include <ostream>
#include <string>
#include <vector>

namespace {

using namespace quillmere_test;
using ::testing::HasSubstr;

class ScriptConfigurationTest : public ShadeTest {};

TEST_F(ScriptConfigurationTest, FiltersRunInOrderSkippingNonCallablesAndTheFirstTrueWins) {
  Load(
      "def configure():\n"
      "    return ([recorder('one', 1), 'not callable', recorder('two', 'yes'), None,\n"
      "             recorder('three', True), recorder('four', True)],)\n");
  HWND w = Top(L"window");
  ASSERT_TRUE(manager->AddWindow(w));

  EXPECT_TRUE(manager->RequestShade(w, true));
  EXPECT_EQ(Calls(), Seq({Call("one", w), Call("two", w), Call("three", w)}));
}

TEST_F(ScriptConfigurationTest, FailedFilterAndHandlerCallsAreReportedClearedAndReadAsNotTrueAndAccepting) {
  Load(
      "def broken(h, title, classname):\n"
      "    calls.append('broken:%d' % h)\n"
      "    raise LookupError('filter failed')\n"
      "def broken_shade(h, title, classname):\n"
      "    calls.append('onShade:%d' % h)\n"
      "    raise ArithmeticError('handler failed')\n"
      "def configure():\n"
      "    return ([broken, recorder('next', True)], recorder('onAdd'), recorder('onDestroy'),\n"
      "            broken_shade, None, recorder('afterUnshade'), recorder('afterShade'))\n");
  HWND w = Top(L"window");
  ASSERT_TRUE(manager->AddWindow(w));
  Calls();

  // The filter after the failing one is still called, and the raising
  // onShade does not cancel.
  EXPECT_TRUE(manager->RequestShade(w, true));
  EXPECT_FALSE(PyErr_Occurred());
  EXPECT_EQ(Calls(), Seq({Call("broken", w), Call("next", w), Call("onShade", w), Call("afterShade", w)}));
  std::string errors = ErrorOutput();
  EXPECT_THAT(errors, HasSubstr("File \"" + script->path() + "\", line 12, in broken"));
  EXPECT_THAT(errors, HasSubstr("LookupError: filter failed"));
  EXPECT_THAT(errors, HasSubstr("ArithmeticError: handler failed"));

  // None in the onUnshade slot: each call fails, and is read as accepting.
  EXPECT_TRUE(manager->RequestShade(w, false));
  EXPECT_EQ(Calls(), Call("afterUnshade", w));
  EXPECT_THAT(ErrorOutput(), HasSubstr("TypeError: 'NoneType' object is not callable"));
  EXPECT_FALSE(PyErr_Occurred());
}

TEST_F(ScriptConfigurationTest, FourItemsLeaveTheLaterSlotsEmptyAndNeverCalled) {
  Load(
      "def configure():\n"
      "    return ([recorder('filter', True)], recorder('onAdd'), recorder('onDestroy'), recorder('onShade'))\n");
  HWND w = Top(L"window");
  ASSERT_TRUE(manager->AddWindow(w));
  EXPECT_TRUE(manager->RequestShade(w, true));
  EXPECT_EQ(Calls(), Seq({Call("onAdd", w), Call("filter", w), Call("onShade", w)}));

  EXPECT_TRUE(manager->RequestShade(w, false));
  EXPECT_EQ(Calls(), "");
  EXPECT_EQ(ErrorOutput(), "");
}

TEST_F(ScriptConfigurationTest, NamedTupleAndListSubclassConfigureLikeTupleAndList) {
  Load(
      "import collections\n"
      "Config = collections.namedtuple('Config',\n"
      "    'filters onAdd onDestroy onShade onUnshade afterUnshade afterShade')\n"
      "class FilterList(list):\n"
      "    pass\n"
      "def configure():\n"
      "    return Config(FilterList([recorder('filter', True)]), recorder('onAdd'), recorder('onDestroy'),\n"
      "                  recorder('onShade'), recorder('onUnshade'), recorder('afterUnshade'),\n"
      "                  recorder('afterShade'))\n");
  HWND w = Top(L"window");
  ASSERT_TRUE(manager->AddWindow(w));
  ASSERT_TRUE(manager->RequestShade(w, true));
  ASSERT_TRUE(manager->RequestShade(w, false));
  ASSERT_TRUE(manager->RemoveWindow(w));
  EXPECT_EQ(Calls(), Seq({Call("onAdd", w), Call("filter", w), Call("onShade", w), Call("afterShade", w),
                          Call("onUnshade", w), Call("afterUnshade", w), Call("onDestroy", w)}));
}

TEST_F(ScriptConfigurationTest, HandlersGetTheRootHandleAsIntAndItsTextAsStr) {
  Load(
      "seen = []\n"
      "def on_add(h, title, classname):\n"
      "    seen.append((h, title, classname))\n"
      "def configure():\n"
      "    return ([], on_add)\n");
  HWND top = Top(L"Caf\u00e9 \U0001F600");
  HWND pane = Child(top, L"pane");

  Event(WM_SHOWWINDOW, pane);

  EXPECT_EQ(Eval("len(seen)"), "1");
  EXPECT_EQ(Eval("type(seen[0][0]).__name__, type(seen[0][1]).__name__, type(seen[0][2]).__name__"),
            "('int', 'str', 'str')");
  EXPECT_EQ(Eval("seen[0][0]"), HandleText(top));
  // One character for the non-BMP code point, as on a UTF-16 platform.
  EXPECT_EQ(Eval("seen[0][1] == 'Caf\\u00e9 \\U0001F600' and len(seen[0][1])"), "6");
  EXPECT_EQ(Eval("seen[0][2]"), "SimAppWindow");
}

// The texts a call is given are the window's at the moment of the call:
// every filter of one request gets those read once for the request, and
// each handler those of its own moment, so a handler sees what an earlier
// one of the same event changed.
TEST_F(ScriptConfigurationTest, EachHandlerCallIsGivenTheWindowsTextsAsTheyAreWhenItIsCalled) {
  Load(
      "seen = []\n"
      "def watcher(name, result=None, title=None):\n"
      "    def handler(h, t, c):\n"
      "        seen.append((name, t, c))\n"
      "        if title is not None:\n"
      "            shadetest.set_title(h, title)\n"
      "        return result\n"
      "    return handler\n"
      "def configure():\n"
      "    return ([watcher('f1', None, 'renamed by a filter'), watcher('f2', True)], watcher('onAdd'),\n"
      "            watcher('onDestroy'), watcher('onShade', None, 'shaded'),\n"
      "            watcher('onUnshade', None, 'rolled down'), watcher('afterUnshade', None, 'gone'),\n"
      "            watcher('afterShade'))\n");
  HWND w = Top(L"plain");
  ASSERT_TRUE(manager->AddWindow(w));
  Exec("del seen[:]");

  EXPECT_TRUE(manager->RequestShade(w, true));
  EXPECT_EQ(Eval("seen"),
            "[('f1', 'plain', 'SimAppWindow'), ('f2', 'plain', 'SimAppWindow'), "
            "('onShade', 'renamed by a filter', 'SimAppWindow'), ('afterShade', 'shaded', 'SimAppWindow')]");
  Exec("del seen[:]");

  EXPECT_TRUE(manager->RequestShade(w, false));
  EXPECT_TRUE(manager->RemoveWindow(w));
  EXPECT_EQ(Eval("seen"),
            "[('onUnshade', 'shaded', 'SimAppWindow'), ('afterUnshade', 'rolled down', 'SimAppWindow'), "
            "('onDestroy', 'gone', 'SimAppWindow')]");
  EXPECT_EQ(ErrorOutput(), "");
}

// A window destroyed by one handler: the next handler of the same event
// is given empty texts, as any call about a window that is gone.
TEST_F(ScriptConfigurationTest, AHandlerAfterTheWindowIsGoneIsGivenEmptyTexts) {
  Load(
      "seen = []\n"
      "def on_shade(h, t, c):\n"
      "    seen.append((t, c))\n"
      "    shadetest.destroy_window(h)\n"
      "def after_shade(h, t, c):\n"
      "    seen.append((t, c))\n"
      "def configure():\n"
      "    return ([lambda h, t, c: True], None, None, on_shade, None, None, after_shade)\n");
  HWND w = Top(L"doomed");
  ASSERT_TRUE(manager->AddWindow(w));

  EXPECT_TRUE(manager->RequestShade(w, true));

  EXPECT_EQ(Eval("seen"), "[('doomed', 'SimAppWindow'), ('', '')]");
}

TEST_F(ScriptConfigurationTest, FiltersStayUsableWhenTheScriptEmptiesItsList) {
  Load(
      "FILTERS = [lambda h, title, classname: calls.append('lambda:%d' % h) or True]\n"
      "def configure():\n"
      "    return (FILTERS,)\n");
  Exec("FILTERS.clear()\nimport gc\ngc.collect()\n");
  HWND w = Top(L"window");
  ASSERT_TRUE(manager->AddWindow(w));

  EXPECT_TRUE(manager->RequestShade(w, true));
  EXPECT_EQ(Calls(), Call("lambda", w));
}

TEST_F(ScriptConfigurationTest, AScriptThatRaisesAfterDefiningConfigureIsStillConfigured) {
  LoadWithErrors(
      "def configure():\n"
      "    return ([recorder('filter', True)], recorder('onAdd'))\n"
      "raise RuntimeError('late failure')\n");
  EXPECT_THAT(ErrorOutput(), HasSubstr("File \"" + script->path() + "\", line 12"));
  EXPECT_THAT(ErrorOutput(), HasSubstr("RuntimeError: late failure"));
  HWND w = Top(L"window");
  EXPECT_TRUE(manager->AddWindow(w));
  EXPECT_TRUE(manager->RequestShade(w, true));
  EXPECT_EQ(Calls(), Seq({Call("onAdd", w), Call("filter", w)}));
}

TEST_F(ScriptConfigurationTest, FilterListGivenAsTupleYieldsNoFiltersButTheHandlersAreTaken) {
  LoadWithErrors(
      "def configure():\n"
      "    return ((recorder('filter', True),), recorder('onAdd'))\n");
  EXPECT_EQ(ErrorOutput(),
            "Position 0 of what configure returned is a value of type tuple, not a list: no filters are used\n");
  HWND w = Top(L"window");
  EXPECT_TRUE(manager->AddWindow(w));
  EXPECT_FALSE(manager->RequestShade(w, true));
  EXPECT_EQ(Calls(), Call("onAdd", w));
}

// Scripts that leave the manager unconfigured: every eligible window is
// managed without asking, and none is ever shaded.
struct Unconfigured {
  const char *name;
  const char *body;
  const char *reported;  // expected in the error stream, or empty
};

std::ostream &operator<<(std::ostream &out, const Unconfigured &c) { return out << c.name; }

class UnconfiguredScriptTest : public ShadeTest, public ::testing::WithParamInterface<Unconfigured> {};

TEST_P(UnconfiguredScriptTest, ManagesEveryEligibleWindowAndShadesNone) {
  LoadWithErrors(GetParam().body);
  std::string reported = GetParam().reported;
  if (reported.empty())
    EXPECT_EQ(ErrorOutput(), "");
  else
    EXPECT_THAT(ErrorOutput(), HasSubstr(reported));
  HWND w = Top(L"window");

  EXPECT_TRUE(manager->AddWindow(w));
  EXPECT_FALSE(manager->RequestShade(w, true));
  EXPECT_FALSE(manager->RequestShade(w, false));
  EXPECT_TRUE(manager->RemoveWindow(w));
  EXPECT_EQ(Calls(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Results, UnconfiguredScriptTest,
    ::testing::Values(
        Unconfigured{"List",
                     "def configure():\n    return [[recorder('filter', True)], recorder('onAdd'),\n"
                     "            recorder('onDestroy'), recorder('onShade'), recorder('onUnshade')]\n",
                     "configure returned a value of type list, not a tuple: no filters or handlers are used\n"},
        Unconfigured{"None", "def configure():\n    return None\n",
                     "configure returned a value of type NoneType, not a tuple: no filters or handlers are used\n"},
        Unconfigured{"Number", "def configure():\n    return 7\n",
                     "configure returned a value of type int, not a tuple: no filters or handlers are used\n"},
        Unconfigured{"Raises", "def configure():\n    raise KeyError('no configuration')\n",
                     "KeyError: 'no configuration'"},
        Unconfigured{"Missing", "def configur():\n    return ()\n",
                     "The script defines no configure function: no filters or handlers are used\n"},
        Unconfigured{"SyntaxError", "def configure(:\n    return ()\n", "SyntaxError"}),
    [](const ::testing::TestParamInfo<Unconfigured> &info) { return std::string(info.param.name); });

TEST_F(ScriptConfigurationTest, AScriptFileThatCannotBeOpenedRunsNothing) {
  // A configure already in the namespace is not called either.
  Exec(std::string("called = []\n") + "def configure():\n    called.append(1)\n" +
       "    return ([lambda h, t, c: True],)\n");
  const std::string path = MissingPath();
  manager->LoadScript(path.c_str());
  HWND w = Top(L"window");
  EXPECT_TRUE(manager->AddWindow(w));
  EXPECT_FALSE(manager->RequestShade(w, true));
  EXPECT_EQ(Eval("called"), "[]");
  EXPECT_EQ(ErrorOutput(), "Script file \"" + path + "\" was not found: no script runs\n");
}

// A path that names no readable script: one line says why, and nothing
// runs, not even a configure already in the namespace.
struct Unread {
  const char *name;
  std::string path;
  const char *why;
};

std::ostream &operator<<(std::ostream &out, const Unread &c) { return out << c.name; }

class UnreadScriptTest : public ShadeTest, public ::testing::WithParamInterface<Unread> {};

TEST_P(UnreadScriptTest, IsReportedInOneLineAndRunsNothing) {
  Exec("called = []\ndef configure():\n    called.append(1)\n    return ([lambda h, t, c: True],)\n");
  std::vector<std::wstring> lines;
  SetScriptErrorSink([&lines](const std::wstring &text) { lines.push_back(text); });
  manager->LoadScript(GetParam().path.c_str());

  const std::string why = GetParam().why;
  const std::string expected = GetParam().path.empty()
                                   ? why
                                   : "Script file \"" + GetParam().path + "\" " + why + ": no script runs\n";
  EXPECT_EQ(ErrorOutput(), expected);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], std::wstring(expected.begin(), expected.end()));
  HWND w = Top(L"window");
  EXPECT_TRUE(manager->AddWindow(w));
  EXPECT_FALSE(manager->RequestShade(w, true));
  EXPECT_EQ(Eval("called"), "[]");
}

INSTANTIATE_TEST_SUITE_P(Paths, UnreadScriptTest,
                         ::testing::Values(Unread{"Empty", "",
                                                  "No script file is named (FilterPath is empty): no script runs\n"},
                                           Unread{"Directory", "/", "is a directory, not a file"},
                                           Unread{"Device", "/dev/zero", "is a device, not a regular file"}),
                         [](const ::testing::TestParamInfo<Unread> &info) { return std::string(info.param.name); });

TEST_F(ScriptConfigurationTest, AScriptFileLargerThanTheLimitIsNotRead) {
  TempScript large("calls = ['ran']\n" + std::string(kMaxScriptFileBytes, '#'));
  manager->LoadScript(large.path().c_str());
  EXPECT_EQ(ErrorOutput(), "Script file \"" + large.path() + "\" is larger than 1 MiB: no script runs\n");
  EXPECT_EQ(Eval("'calls' in globals()"), "False");
}

// Each kind of unusable configuration is told once, in one line.
TEST_F(ScriptConfigurationTest, EachUnusableConfigurationGivesOneLogLine) {
  std::vector<std::wstring> lines;
  SetScriptErrorSink([&lines](const std::wstring &text) { lines.push_back(text); });
  LoadWithErrors("def configure():\n    return [recorder('filter', True)]\n");
  LoadWithErrors("def configure():\n    return ('filters', recorder('onAdd'))\n");
  LoadWithErrors("configure = None\ndel configure\n");
  EXPECT_EQ(lines,
            (std::vector<std::wstring>{
                L"configure returned a value of type list, not a tuple: no filters or handlers are used\n",
                L"Position 0 of what configure returned is a value of type str, not a list: no filters are used\n",
                L"The script defines no configure function: no filters or handlers are used\n"}));
}

}  // namespace
