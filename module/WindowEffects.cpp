#include "module/WindowEffects.h"

#include "module/EffectGate.h"
#include "module/WindowStep.h"
#include "shade/ShadeManager.h"

namespace {

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
bool AdoptShade(HWND window, HeldEffects &effects) {
  ShadeTag tag;
  if (!ReadShadeTag(window, tag) || !GetWindowRect(window, &effects.savedRect)) return false;
  effects.savedRect.bottom = effects.savedRect.top + tag.height;
  effects.savedStyle = static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE));
  if (tag.hadFrame) effects.savedStyle |= WS_THICKFRAME;
  return true;
}

EffectOutcome RollUp(HWND window, HeldEffects &effects) {
  if (!AdoptShade(window, effects)) {
    RECT rect;
    if (!GetWindowRect(window, &rect)) return EffectOutcome::Done;  // no window: nothing to hold
    DWORD style = static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE));
    // The tag goes first: whatever ends the program from here on, a later
    // run finds what undoing needs.
    if (!WriteShadeTag(window, ShadeTag{Height(rect), (style & WS_THICKFRAME) != 0})) return TagRefused(window);
    effects.savedRect = rect;
    effects.savedStyle = style;
  }
  effects.shadeHeld = true;
  SetWindowPos(window, nullptr, 0, 0, Width(effects.savedRect), GetSystemMetrics(SM_CYCAPTION),
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  SetWindowLongW(window, GWL_STYLE, GetWindowLongW(window, GWL_STYLE) & ~static_cast<LONG>(WS_THICKFRAME));
  return EffectOutcome::Done;
}

void ReleaseShade(HWND window, HeldEffects &effects, bool activate) {
  effects.shadeHeld = false;
  RollDown(window, Width(effects.savedRect), Height(effects.savedRect), (effects.savedStyle & WS_THICKFRAME) != 0,
           activate);
  RemoveShadeTag(window);
}

// The window's layering before it turned translucent, as the record keeps it.
TranslucencyTag LayeringBefore(const HeldEffects &effects) {
  TranslucencyTag before;
  before.wasLayered = effects.wasLayered;
  before.hasAttributes = effects.savedAttributes;
  before.key = effects.savedKey;
  before.alpha = effects.savedAlpha;
  before.flags = effects.savedLayeredFlags;
  return before;
}

void KeepLayering(HeldEffects &effects, const TranslucencyTag &before) {
  effects.wasLayered = before.wasLayered;
  effects.savedAttributes = before.hasAttributes;
  effects.savedKey = before.key;
  effects.savedAlpha = before.alpha;
  effects.savedLayeredFlags = before.flags;
}

EffectOutcome MakeTranslucent(HWND window, HeldEffects &effects) {
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
  KeepLayering(effects, before);
  effects.translucencyHeld = true;
  // The application's colour key stays: its see-through parts stay so.
  DWORD keyFlag = before.hasAttributes ? (before.flags & LWA_COLORKEY) : 0;
  SetLayeredWindowAttributes(window, keyFlag ? before.key : 0, kTranslucentAlpha, LWA_ALPHA | keyFlag);
  return EffectOutcome::Done;
}

void ReleaseTranslucency(HWND window, HeldEffects &effects) {
  effects.translucencyHeld = false;
  MakeOpaque(window, LayeringBefore(effects));
  RemoveTranslucencyTag(window);
}

void ReleaseTopmost(HWND window, HeldEffects *effects) {
  if (effects) effects->topmostHeld = false;
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
EffectOutcome ApplyHeldEffect(const WindowRecordPtr &record, HWND window, bool on, bool HeldEffects::*held, Make make,
                              Release release) {
  if (!record) return EffectOutcome::Done;
  HeldEffects &effects = record->effects;
  WindowStep step(window);
  if (effects.*held == on) return EffectOutcome::Done;
  if (!EffectsOpen()) return EffectOutcome::Refused;
  if (on) return make(window, effects);
  release(window, effects);
  return EffectOutcome::Done;
}

}  // namespace

EffectOutcome ApplyShade(const WindowRecordPtr &record, HWND window, bool shade) {
  return ApplyHeldEffect(record, window, shade, &HeldEffects::shadeHeld, RollUp,
                         [](HWND w, HeldEffects &r) { ReleaseShade(w, r, true); });
}

EffectOutcome ApplyTransparency(const WindowRecordPtr &record, HWND window, bool on) {
  return ApplyHeldEffect(record, window, on, &HeldEffects::translucencyHeld, MakeTranslucent, ReleaseTranslucency);
}

EffectOutcome ApplyTopmost(const WindowRecordPtr &record, HWND window, bool topmost) {
  WindowStep step(window);
  if (!EffectsOpen()) return EffectOutcome::Refused;
  // Held under this record, or under one that is gone or an earlier run.
  bool held = (record && record->effects.topmostHeld) || ReadTopmostTag(window);
  if (!topmost) {
    if (held) RemoveTopmostTag(window);
    if (record) record->effects.topmostHeld = false;
    DropTopmost(window);
    return EffectOutcome::Done;
  }
  if (!held) {
    if (!IsWindow(window)) return EffectOutcome::Done;
    bool alreadyTopmost = (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    if (!alreadyTopmost && !WriteTopmostTag(window)) return TagRefused(window);
    held = !alreadyTopmost;
  }
  if (record) record->effects.topmostHeld = held;
  SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
  return EffectOutcome::Done;
}

void GiveBackHeldWindows(ShadeManager &manager) {
  for (const auto &entry : manager.Records()) {
    HWND window = entry.first;
    HeldEffects &effects = entry.second->effects;
    WindowStep step(window);
    if (effects.shadeHeld) ReleaseShade(window, effects, false);
    if (effects.translucencyHeld) ReleaseTranslucency(window, effects);
    if (effects.topmostHeld) ReleaseTopmost(window, &effects);
  }
}
