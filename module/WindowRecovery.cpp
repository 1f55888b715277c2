#include "module/WindowRecovery.h"

#include "module/EffectTags.h"
#include "module/WindowEffects.h"
#include "module/WindowStep.h"
#include "script/TopLevelWindows.h"
#include "script/WindowInfo.h"

namespace {

// Gives back what the window's tags say the effects changed; false for a
// window without tags.
bool Recover(HWND window, RecoveredWindow &r) {
  // A script thread may still be changing the window: its step ends first.
  WindowStep step(window);
  ShadeTag shade;
  TranslucencyTag translucency;
  r.wasRolledUp = ReadShadeTag(window, shade);
  r.wasTranslucent = ReadTranslucencyTag(window, translucency);
  r.wasTopmost = ReadTopmostTag(window);
  if (!r.wasRolledUp && !r.wasTranslucent && !r.wasTopmost) return false;
  if (r.wasRolledUp) {
    RECT rect{};
    GetWindowRect(window, &rect);
    RollDown(window, rect.right - rect.left, shade.height, shade.hadFrame, false);
    RemoveShadeTag(window);
  }
  if (r.wasTranslucent) {
    MakeOpaque(window, translucency);
    RemoveTranslucencyTag(window);
  }
  if (r.wasTopmost) {
    DropTopmost(window);
    RemoveTopmostTag(window);
  }
  return true;
}

}  // namespace

std::vector<RecoveredWindow> RecoverTaggedWindows() {
  std::vector<RecoveredWindow> recovered;
  for (HWND window : ListTopLevelWindows()) {
    RecoveredWindow r;
    r.window = window;
    if (!Recover(window, r)) continue;
    r.title = DescribeWindow(window).title;
    recovered.push_back(r);
  }
  return recovered;
}

std::wstring RecoveryLogLine(const RecoveredWindow &recovered) {
  std::vector<std::wstring> what;
  if (recovered.wasRolledUp) what.push_back(L"rolled up");
  if (recovered.wasTranslucent) what.push_back(L"translucent");
  if (recovered.wasTopmost) what.push_back(L"top-most");
  std::wstring text;
  for (std::size_t i = 0; i < what.size(); ++i) {
    if (i) text += i + 1 == what.size() ? L" and " : L", ";
    text += what[i];
  }
  return L"Restored \"" + recovered.title + L"\": left " + text + L" by an earlier run";
}
