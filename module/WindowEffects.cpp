#include "module/WindowEffects.h"

#include "module/EffectGate.h"
#include "module/WindowStep.h"
#include "shade/ShadeManager.h"

namespace {

typedef ShadeManager::ShadeStruct ShadeStruct;

const BYTE kTranslucentAlpha = 128;
const BYTE kOpaqueAlpha = 255;

LONG Width(const RECT &r) { return r.right - r.left; }
LONG Height(const RECT &r) { return r.bottom - r.top; }

// A tag that could not be written leaves the window unchanged; for a
// window that is gone meanwhile there was nothing to change.
EffectOutcome TagRefused(HWND window) { return IsWindow(window) ? EffectOutcome::Untagged : EffectOutcome::Done; }

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

EffectOutcome RollUp(HWND window, ShadeStruct &record) {
  if (!AdoptShade(window, record)) {
    RECT rect;
    if (!GetWindowRect(window, &rect)) return EffectOutcome::Done;  // no window: nothing to hold
    DWORD style = static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE));
    // The tag goes first: whatever ends the program from here on, a later
    // run finds what undoing needs.
    if (!WriteShadeTag(window, ShadeTag{Height(rect), (style & WS_THICKFRAME) != 0})) return TagRefused(window);
    record.savedRect = rect;
    record.savedStyle = style;
  }
  record.shadeHeld = true;
  SetWindowPos(window, nullptr, 0, 0, Width(record.savedRect), GetSystemMetrics(SM_CYCAPTION),
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  SetWindowLongW(window, GWL_STYLE, GetWindowLongW(window, GWL_STYLE) & ~static_cast<LONG>(WS_THICKFRAME));
  return EffectOutcome::Done;
}

void ReleaseShade(HWND window, ShadeStruct &record, bool activate) {
  record.shadeHeld = false;
  RollDown(window, Width(record.savedRect), Height(record.savedRect), (record.savedStyle & WS_THICKFRAME) != 0,
           activate);
  RemoveShadeTag(window);
}

// The window's layering before it turned translucent, as the record keeps it.
TranslucencyTag LayeringBefore(const ShadeStruct &record) {
  TranslucencyTag before;
  before.wasLayered = record.wasLayered;
  before.hasAttributes = record.savedAttributes;
  before.key = record.savedKey;
  before.alpha = record.savedAlpha;
  before.flags = record.savedLayeredFlags;
  return before;
}

void KeepLayering(ShadeStruct &record, const TranslucencyTag &before) {
  record.wasLayered = before.wasLayered;
  record.savedAttributes = before.hasAttributes;
  record.savedKey = before.key;
  record.savedAlpha = before.alpha;
  record.savedLayeredFlags = before.flags;
}

EffectOutcome MakeTranslucent(HWND window, ShadeStruct &record) {
  TranslucencyTag before;
  // A tag: left translucent under an earlier record.
  if (!ReadTranslucencyTag(window, before)) {
    if (!IsWindow(window)) return EffectOutcome::Done;
    LONG exStyle = GetWindowLongW(window, GWL_EXSTYLE);
    before.wasLayered = (exStyle & WS_EX_LAYERED) != 0;
    // Fails for a window whose application never set attributes or draws
    // it with UpdateLayeredWindow: it comes back opaque.
    if (before.wasLayered)
      before.hasAttributes = GetLayeredWindowAttributes(window, &before.key, &before.alpha, &before.flags) != FALSE;
    if (!WriteTranslucencyTag(window, before)) return TagRefused(window);
    if (!before.wasLayered) SetWindowLongW(window, GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
  }
  KeepLayering(record, before);
  record.translucencyHeld = true;
  // The application's colour key stays: its see-through parts stay so.
  DWORD keyFlag = before.hasAttributes ? (before.flags & LWA_COLORKEY) : 0;
  SetLayeredWindowAttributes(window, keyFlag ? before.key : 0, kTranslucentAlpha, LWA_ALPHA | keyFlag);
  return EffectOutcome::Done;
}

void ReleaseTranslucency(HWND window, ShadeStruct &record) {
  record.translucencyHeld = false;
  MakeOpaque(window, LayeringBefore(record));
  RemoveTranslucencyTag(window);
}

void ReleaseTopmost(HWND window, ShadeStruct *record) {
  if (record) record->topmostHeld = false;
  DropTopmost(window);
  RemoveTopmostTag(window);
}

}  // namespace

void RollDown(HWND window, LONG width, LONG height, bool restoreFrame, bool activate) {
  SetWindowPos(window, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | (activate ? 0 : SWP_NOACTIVATE));
  if (restoreFrame) SetWindowLongW(window, GWL_STYLE, GetWindowLongW(window, GWL_STYLE) | WS_THICKFRAME);
}

void MakeOpaque(HWND window, const TranslucencyTag &before) {
  if (!before.wasLayered) {
    SetWindowLongW(window, GWL_EXSTYLE, GetWindowLongW(window, GWL_EXSTYLE) & ~WS_EX_LAYERED);
    SetLayeredWindowAttributes(window, 0, kOpaqueAlpha, LWA_ALPHA);
  } else if (before.hasAttributes) {
    SetLayeredWindowAttributes(window, before.key, before.alpha, before.flags);
  } else {
    SetLayeredWindowAttributes(window, 0, kOpaqueAlpha, LWA_ALPHA);
  }
}

void DropTopmost(HWND window) {
  SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
}

namespace {

// An effect the record holds in one flag: nothing to do when the flag is
// as asked, else (while the effects are open) make or release it, all in
// one step on the window.
template <typename Make, typename Release>
EffectOutcome ApplyHeldEffect(const ShadeManager::ShadeStructPtr &record, HWND window, bool on,
                              bool ShadeStruct::*held, Make make, Release release) {
  if (!record) return EffectOutcome::Done;
  WindowStep step(window);
  if ((*record).*held == on) return EffectOutcome::Done;
  if (!EffectsOpen()) return EffectOutcome::Refused;
  if (on) return make(window, *record);
  release(window, *record);
  return EffectOutcome::Done;
}

}  // namespace

EffectOutcome ApplyShade(const ShadeManager::ShadeStructPtr &record, HWND window, bool shade) {
  return ApplyHeldEffect(record, window, shade, &ShadeStruct::shadeHeld, RollUp,
                         [](HWND w, ShadeStruct &r) { ReleaseShade(w, r, true); });
}

EffectOutcome ApplyTransparency(const ShadeManager::ShadeStructPtr &record, HWND window, bool on) {
  return ApplyHeldEffect(record, window, on, &ShadeStruct::translucencyHeld, MakeTranslucent, ReleaseTranslucency);
}

EffectOutcome ApplyTopmost(const ShadeManager::ShadeStructPtr &record, HWND window, bool topmost) {
  WindowStep step(window);
  if (!EffectsOpen()) return EffectOutcome::Refused;
  // Held under this record, or under one that is gone or an earlier run.
  bool held = (record && record->topmostHeld) || ReadTopmostTag(window);
  if (!topmost) {
    if (held) RemoveTopmostTag(window);
    if (record) record->topmostHeld = false;
    DropTopmost(window);
    return EffectOutcome::Done;
  }
  if (!held) {
    if (!IsWindow(window)) return EffectOutcome::Done;
    bool alreadyTopmost = (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    if (!alreadyTopmost && !WriteTopmostTag(window)) return TagRefused(window);
    held = !alreadyTopmost;
  }
  if (record) record->topmostHeld = held;
  SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
  return EffectOutcome::Done;
}

void GiveBackHeldWindows(ShadeManager &manager) {
  for (const auto &entry : manager.Records()) {
    HWND window = entry.first;
    ShadeStruct &record = *entry.second;
    WindowStep step(window);
    if (record.shadeHeld) ReleaseShade(window, record, false);
    if (record.translucencyHeld) ReleaseTranslucency(window, record);
    if (record.topmostHeld) ReleaseTopmost(window, &record);
  }
}
