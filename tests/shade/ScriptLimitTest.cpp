// Every piece of script code the manager runs is under the call limit, not
// only the filter and handler calls themselves: releasing a result, making
// the next call's arguments, reporting an error (the exception's text, a
// replaced sys.stderr), and reading what `configure` returned. Each script
// here spins forever in one such place; the case must end, stopped, and the
// manager go on.
#include "ShadeTestSupport.h"

#include "script/ScriptErrorReport.h"
#include "script/ScriptWatchdog.h"

#include <gmock/gmock.h>

#include <string>
#include <vector>

namespace {

using namespace quillmere_test;
using namespace std::chrono_literals;
using ::testing::HasSubstr;

const std::chrono::milliseconds kLimit = 200ms;
// Long enough for a few stops however loaded the machine; a case that
// needs it has hung.
const std::chrono::milliseconds kPatience = kLimit * 50;

const std::string kSpin =
    "def spin():\n"
    "    while True:\n"
    "        pass\n"
    "class Lingering:\n"
    "    def __del__(self):\n"
    "        calls.append('del')\n"
    "        spin()\n";

class ScriptLimitTest : public ShadeTest {
 protected:
  void SetUp() override {
    ScriptWatchdog::SetCallLimitForTests(kLimit);
    ShadeTest::SetUp();
    SetScriptErrorSink([this](const std::wstring &text) { reported.push_back(text); });
  }
  void TearDown() override {
    // Left behind by some scripts: "__main__" keeps dunder names across
    // tests, and the collector's threshold is the interpreter's.
    Exec("globals().pop('__getattr__', None)\n__import__('gc').set_threshold(700, 10, 10)\n");
    ShadeTest::TearDown();
    ScriptWatchdog::SetCallLimitForTests(0ms);
  }
  // A window of the test application, added to the manager.
  HWND ManagedWindow() {
    HWND window = Top(L"window");
    EXPECT_TRUE(manager->AddWindow(window));
    return window;
  }
  bool Reported(const std::wstring &text) const {
    for (const std::wstring &report : reported)
      if (report.find(text) != std::wstring::npos) return true;
    return false;
  }
  std::vector<std::wstring> reported;
};

TEST_F(ScriptLimitTest, ResultsAreReleasedUnderTheLimit) {
  Load(kSpin +
       "def lingering_filter(h, title, classname):\n"
       "    calls.append('filter:%d' % h)\n"
       "    return Lingering()\n"
       "def configure():\n"
       "    return ([lingering_filter, recorder('next', True)], lambda h, t, c: Lingering(), None,\n"
       "            recorder('onShade'))\n");
  HangGuard guard("releasing results", kPatience);
  // onAdd's result is not False: the window is added, and its __del__ is
  // stopped when the result goes.
  HWND w = ManagedWindow();
  EXPECT_TRUE(manager->RequestShade(w, true));
  EXPECT_EQ(Calls(), Seq({"del", Call("filter", w), "del", Call("next", w), Call("onShade", w)}));
  EXPECT_THAT(ErrorOutput(), HasSubstr("ScriptTimeout: the call ran longer than 0.2 seconds and was stopped"));
}

TEST_F(ScriptLimitTest, ArgumentsAreMadeUnderTheLimit) {
  // Garbage whose finaliser spins waits for the collector, which runs at
  // the next allocation of a tracked object: the tuple of the next call's
  // arguments, once no freed tuple of three is left to reuse. (It runs when
  // more tracked objects were made than freed since its last run; `kept`
  // makes sure of that.) A script thread could leave things so.
  Load(kSpin +
       "import gc\n"
       "kept = []\n"
       "def leave_garbage():\n"
       "    kept.extend([[] for _ in range(5)])\n"
       "    kept.extend([(i, i, i) for i in range(5000)])\n"
       "    garbage = Lingering()\n"
       "    garbage.itself = garbage\n"
       "    del garbage\n"
       "    gc.set_threshold(1)\n"
       "def configure():\n"
       "    return ([recorder('filter', True)],)\n");
  HangGuard guard("making arguments", kPatience);
  HWND w = ManagedWindow();
  Exec("leave_garbage()");
  EXPECT_TRUE(manager->RequestShade(w, true));
  EXPECT_EQ(Calls(), Seq({"del", Call("filter", w)}));
}

TEST_F(ScriptLimitTest, AnExceptionsTextIsReadUnderTheLimit) {
  Load(kSpin +
       "class Unprintable(Exception):\n"
       "    def __str__(self):\n"
       "        spin()\n"
       "def failing(h, title, classname):\n"
       "    raise Unprintable()\n"
       "def configure():\n"
       "    return ([recorder('filter', True)], None, None, failing, None, None, recorder('afterShade'))\n");
  HangGuard guard("reporting an exception", kPatience);
  HWND w = ManagedWindow();
  // The failed onShade accepts, as any failed call does.
  EXPECT_TRUE(manager->RequestShade(w, true));
  EXPECT_EQ(Calls(), Seq({Call("filter", w), Call("afterShade", w)}));
  EXPECT_THAT(ErrorOutput(), HasSubstr("Unprintable: <exception str() failed>"));
  EXPECT_TRUE(Reported(L"Unprintable: <exception str() failed>"));
}

TEST_F(ScriptLimitTest, AReplacedErrorStreamIsWrittenUnderTheLimit) {
  const std::string stuckStream = kSpin +
                                  "import sys\n"
                                  "class Stuck:\n"
                                  "    def write(self, text):\n"
                                  "        spin()\n"
                                  "    def flush(self):\n"
                                  "        pass\n";
  HangGuard guard("writing to a replaced error stream", kPatience);
  // A traceback.
  Load(stuckStream +
       "def failing(h, title, classname):\n"
       "    raise LookupError('reported anyway')\n"
       "def configure():\n"
       "    sys.stderr = Stuck()\n"
       "    return ([], failing)\n");
  ManagedWindow();
  EXPECT_TRUE(Reported(L"LookupError: reported anyway\n"));
  // A one-line problem of the script (the first one's configure is gone).
  LoadWithErrors(stuckStream + "sys.stderr = Stuck()\ndel configure\n");
  EXPECT_TRUE(Reported(L"The script defines no configure function"));
}

TEST_F(ScriptLimitTest, TheTypeOfWhatConfigureReturnedIsNamedWithoutRunningItsCode) {
  const std::string odd = kSpin +
                          "class Meta(type):\n"
                          "    @property\n"
                          "    def __name__(cls):\n"
                          "        spin()\n"
                          "class Odd(metaclass=Meta):\n"
                          "    pass\n";
  HangGuard guard("naming a type", kPatience);
  LoadWithErrors(odd + "def configure():\n    return Odd()\n");
  LoadWithErrors(odd + "def configure():\n    return (Odd(),)\n");
  EXPECT_EQ(reported, (std::vector<std::wstring>{
                          L"configure returned a value of type Odd, not a tuple: no filters or handlers are used\n",
                          L"Position 0 of what configure returned is a value of type Odd, not a list: no filters are "
                          L"used\n"}));
}

TEST_F(ScriptLimitTest, LookingUpConfigureIsUnderTheLimit) {
  HangGuard guard("looking up configure", kPatience);
  // A module __getattr__ answers for every name the module lacks.
  LoadWithErrors(kSpin + "def __getattr__(name):\n    spin()\n");
  EXPECT_TRUE(Reported(L"The script defines no configure function"));
}

TEST_F(ScriptLimitTest, ARetryLoopInAHandlerEndsAtItsSecondStopAndTheManagerGoesOn) {
  Load(kSpin +
       "def stubborn(h, title, classname):\n"
       "    calls.append('stubborn')\n"
       "    while True:\n"
       "        try:\n"
       "            spin()\n"
       "        except Exception:\n"
       "            calls.append('caught')\n"
       "def configure():\n"
       "    return ([recorder('filter', True)], None, None, stubborn, recorder('onUnshade'))\n");
  HangGuard guard("a retry loop", kPatience);
  HWND w = ManagedWindow();
  EXPECT_TRUE(manager->RequestShade(w, true));
  EXPECT_EQ(Calls(), Seq({Call("filter", w), "stubborn", "caught"}));
  EXPECT_THAT(ErrorOutput(), HasSubstr("ScriptTimeoutFinal: the call went on after it was stopped and was stopped "
                                       "again, 0.2 seconds later"));
  EXPECT_TRUE(manager->RequestShade(w, false));
  EXPECT_EQ(Calls(), Call("onUnshade", w));
}

}  // namespace
