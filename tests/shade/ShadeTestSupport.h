// The shade manager tests drive one manager with real scripts on windows
// of a simulated application. Scripts record every handler and filter call
// in the global list `calls`, as "name:handle", and can call back into the
// manager and the desktop through the module `shadetest`, as a handler that
// dispatches messages would meet further events.
#ifndef QUILLMERE_TESTS_SHADE_SHADETESTSUPPORT_H
#define QUILLMERE_TESTS_SHADE_SHADETESTSUPPORT_H

#include "script/ScriptTestSupport.h"
#include "shade/ShadeManager.h"

#include <winsim/driver.h>

#include <memory>
#include <string>

namespace quillmere_test {

class ShadeTest : public ScriptTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Writes the script (after a prelude defining `calls`, `recorder` and
  // importing `shadetest`) to a file and loads it into the manager.
  // Load expects the script to load without any error report.
  void Load(const std::string &body);
  void LoadWithErrors(const std::string &body);

  // Windows of the test application.
  HWND Top(const std::wstring &title, bool enabled = true, bool visible = true);
  HWND Child(HWND parent, const std::wstring &title = L"child");
  HWND Owned(HWND owner, const std::wstring &title = L"owned");

  // Hands the manager one forwarded event through the event table, as the
  // program's intake does (`other`: the focus event's other window).
  void Event(UINT kind, HWND window, HWND other = nullptr);

  // The calls recorded since the last look, space separated; clears them.
  std::string Calls();
  // "name:handle", as recorded.
  static std::string Call(const std::string &name, HWND window);

  std::unique_ptr<ShadeManager> manager;
  std::unique_ptr<TempScript> script;
  DWORD app = 0;
};

// "a b c" from the pieces.
std::string Seq(std::initializer_list<std::string> pieces);

}  // namespace quillmere_test

#endif
