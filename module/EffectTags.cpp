#include "module/EffectTags.h"

#include <algorithm>

#include "module/EffectTagNames.h"

namespace {

const ULONG_PTR kAddedLayered = 1;
const ULONG_PTR kWasLayered = 2;

HANDLE AsData(ULONG_PTR value) { return reinterpret_cast<HANDLE>(value); }
ULONG_PTR FromData(HANDLE data) { return reinterpret_cast<ULONG_PTR>(data); }

}  // namespace

bool WriteShadeTag(HWND window, const ShadeTag &tag) {
  // A negative height is one the platform treats as 0.
  ULONG_PTR height = static_cast<ULONG_PTR>(std::max<LONG>(tag.height, 0));
  if (!SetPropW(window, kShadeHeightTag, AsData(height + 1))) return false;
  if (tag.hadFrame) return SetPropW(window, kShadeFrameTag, AsData(1)) != FALSE;
  RemovePropW(window, kShadeFrameTag);
  return true;
}

bool ReadShadeTag(HWND window, ShadeTag &tag) {
  ULONG_PTR height = FromData(GetPropW(window, kShadeHeightTag));
  if (!height) return false;
  tag.height = static_cast<LONG>(height - 1);
  tag.hadFrame = GetPropW(window, kShadeFrameTag) != nullptr;
  return true;
}

void RemoveShadeTag(HWND window) {
  RemovePropW(window, kShadeHeightTag);
  RemovePropW(window, kShadeFrameTag);
}

bool WriteTranslucencyTag(HWND window, const TranslucencyTag &tag) {
  return SetPropW(window, kTranslucentTag, AsData(tag.wasLayered ? kWasLayered : kAddedLayered)) != FALSE;
}

bool ReadTranslucencyTag(HWND window, TranslucencyTag &tag) {
  ULONG_PTR value = FromData(GetPropW(window, kTranslucentTag));
  if (value != kAddedLayered && value != kWasLayered) return false;
  tag.wasLayered = value == kWasLayered;
  return true;
}

void RemoveTranslucencyTag(HWND window) { RemovePropW(window, kTranslucentTag); }
