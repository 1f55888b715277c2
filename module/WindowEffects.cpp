#include "module/WindowEffects.h"

#include "module/EffectTags.h"
#include "shade/ShadeManager.h"

namespace {

typedef ShadeManager::ShadeStruct ShadeStruct;

LONG Width(const RECT &r) { return r.right - r.left; }
LONG Height(const RECT &r) { return r.bottom - r.top; }

// Takes over a window that an earlier record left rolled up (its record
// was dropped while the window stayed changed): what undoing needs comes
// from the window's tag, not from the rolled-up window.
bool AdoptShade(HWND window, ShadeStruct &record) {
  ShadeTag tag;
  if (!ReadShadeTag(window, tag) || !GetWindowRect(window, &record.savedRect)) return false;
  record.savedRect.bottom = record.savedRect.top + tag.height;
  record.savedStyle = static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE));
  if (tag.hadFrame) record.savedStyle |= WS_THICKFRAME;
  return true;
}

void RollUp(HWND window, ShadeStruct &record) {
  if (!AdoptShade(window, record)) {
    if (!GetWindowRect(window, &record.savedRect)) return;  // no window: nothing to hold
    record.savedStyle = static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE));
    // The tag goes first: whatever ends the program from here on, a later
    // run finds what undoing needs.
    WriteShadeTag(window, ShadeTag{Height(record.savedRect), (record.savedStyle & WS_THICKFRAME) != 0});
  }
  record.shadeHeld = true;
  SetWindowPos(window, nullptr, 0, 0, Width(record.savedRect), GetSystemMetrics(SM_CYCAPTION),
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  SetWindowLongW(window, GWL_STYLE, GetWindowLongW(window, GWL_STYLE) & ~static_cast<LONG>(WS_THICKFRAME));
}

void ReleaseShade(HWND window, ShadeStruct &record, bool activate) {
  record.shadeHeld = false;
  RollDown(window, Width(record.savedRect), Height(record.savedRect), (record.savedStyle & WS_THICKFRAME) != 0,
           activate);
  RemoveShadeTag(window);
}

void MakeTranslucent(HWND window, ShadeStruct &record) {
  TranslucencyTag tag;
  if (ReadTranslucencyTag(window, tag)) {
    record.wasLayered = tag.wasLayered;  // left translucent under an earlier record
  } else {
    if (!IsWindow(window)) return;
    LONG exStyle = GetWindowLongW(window, GWL_EXSTYLE);
    record.wasLayered = (exStyle & WS_EX_LAYERED) != 0;
    WriteTranslucencyTag(window, TranslucencyTag{record.wasLayered});
    if (!record.wasLayered) SetWindowLongW(window, GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
  }
  record.translucencyHeld = true;
  SetLayeredWindowAttributes(window, 0, 128, LWA_ALPHA);
}

void ReleaseTranslucency(HWND window, ShadeStruct &record) {
  record.translucencyHeld = false;
  MakeOpaque(window, !record.wasLayered);
  RemoveTranslucencyTag(window);
}

}  // namespace

void RollDown(HWND window, LONG width, LONG height, bool restoreFrame, bool activate) {
  SetWindowPos(window, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | (activate ? 0 : SWP_NOACTIVATE));
  if (restoreFrame) SetWindowLongW(window, GWL_STYLE, GetWindowLongW(window, GWL_STYLE) | WS_THICKFRAME);
}

void MakeOpaque(HWND window, bool removeLayered) {
  if (removeLayered) SetWindowLongW(window, GWL_EXSTYLE, GetWindowLongW(window, GWL_EXSTYLE) & ~WS_EX_LAYERED);
  SetLayeredWindowAttributes(window, 0, 255, LWA_ALPHA);
}

void ApplyShade(const ShadeManager::ShadeStructPtr &record, HWND window, bool shade) {
  if (!record || record->shadeHeld == shade) return;
  if (shade)
    RollUp(window, *record);
  else
    ReleaseShade(window, *record, true);
}

void ApplyTransparency(const ShadeManager::ShadeStructPtr &record, HWND window, bool on) {
  if (!record || record->translucencyHeld == on) return;
  if (on)
    MakeTranslucent(window, *record);
  else
    ReleaseTranslucency(window, *record);
}

void GiveBackHeldWindows(ShadeManager &manager) {
  for (const auto &entry : manager.Records()) {
    if (entry.second->shadeHeld) ReleaseShade(entry.first, *entry.second, false);
    if (entry.second->translucencyHeld) ReleaseTranslucency(entry.first, *entry.second);
  }
}

void ApplyTopmost(HWND window, bool topmost) {
  SetWindowPos(window, topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
}
