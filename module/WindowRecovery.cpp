#include "module/WindowRecovery.h"

#include "module/EffectTags.h"
#include "script/TopLevelWindows.h"
#include "module/WindowEffects.h"
#include "script/WindowInfo.h"

std::vector<RecoveredWindow> RecoverTaggedWindows() {
  std::vector<RecoveredWindow> recovered;
  for (HWND window : ListTopLevelWindows()) {
    RecoveredWindow r;
    r.window = window;
    ShadeTag shade;
    TranslucencyTag translucency;
    r.wasRolledUp = ReadShadeTag(window, shade);
    r.wasTranslucent = ReadTranslucencyTag(window, translucency);
    if (!r.wasRolledUp && !r.wasTranslucent) continue;
    if (r.wasRolledUp) {
      RECT rect{};
      GetWindowRect(window, &rect);
      RollDown(window, rect.right - rect.left, shade.height, shade.hadFrame, false);
      RemoveShadeTag(window);
    }
    if (r.wasTranslucent) {
      MakeOpaque(window, !translucency.wasLayered);
      RemoveTranslucencyTag(window);
    }
    r.title = DescribeWindow(window).title;
    recovered.push_back(r);
  }
  return recovered;
}

std::wstring RecoveryLogLine(const RecoveredWindow &recovered) {
  std::wstring what = recovered.wasRolledUp && recovered.wasTranslucent ? L"rolled up and translucent"
                      : recovered.wasRolledUp                            ? L"rolled up"
                                                                         : L"translucent";
  return L"Restored \"" + recovered.title + L"\": left " + what + L" by an earlier run";
}
