#include "module/EffectTags.h"

#include <algorithm>

#include "module/EffectTagNames.h"

namespace {

const ULONG_PTR kAddedLayered = 1;
const ULONG_PTR kWasLayered = 2;
const ULONG_PTR kAttributesPresent = 0x10000;

HANDLE AsData(ULONG_PTR value) { return reinterpret_cast<HANDLE>(value); }
ULONG_PTR FromData(HANDLE data) { return reinterpret_cast<ULONG_PTR>(data); }

}  // namespace

bool WriteShadeTag(HWND window, const ShadeTag &tag) {
  // A negative height is one the platform treats as 0.
  ULONG_PTR height = static_cast<ULONG_PTR>(std::max<LONG>(tag.height, 0));
  if (!SetPropW(window, kShadeHeightTag, AsData(height + 1))) return false;
  if (!tag.hadFrame) {
    RemovePropW(window, kShadeFrameTag);
    return true;
  }
  if (SetPropW(window, kShadeFrameTag, AsData(1))) return true;
  RemoveShadeTag(window);
  return false;
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
  // The attributes go first: a window tagged translucent always carries
  // all that giving it back needs.
  if (tag.hasAttributes) {
    ULONG_PTR alpha = kAttributesPresent | ((tag.flags & (LWA_ALPHA | LWA_COLORKEY)) << 8) | tag.alpha;
    ULONG_PTR key = static_cast<ULONG_PTR>(tag.key & 0xFFFFFF) + 1;
    if (!SetPropW(window, kLayeredAlphaTag, AsData(alpha)) || !SetPropW(window, kLayeredKeyTag, AsData(key))) {
      RemoveTranslucencyTag(window);
      return false;
    }
  }
  if (SetPropW(window, kTranslucentTag, AsData(tag.wasLayered ? kWasLayered : kAddedLayered))) return true;
  RemoveTranslucencyTag(window);
  return false;
}

bool ReadTranslucencyTag(HWND window, TranslucencyTag &tag) {
  ULONG_PTR value = FromData(GetPropW(window, kTranslucentTag));
  if (value != kAddedLayered && value != kWasLayered) return false;
  tag = TranslucencyTag();
  tag.wasLayered = value == kWasLayered;
  ULONG_PTR alpha = FromData(GetPropW(window, kLayeredAlphaTag));
  ULONG_PTR key = FromData(GetPropW(window, kLayeredKeyTag));
  // Without both (a tag of an earlier version) the window comes back opaque.
  if (tag.wasLayered && (alpha & kAttributesPresent) && key) {
    tag.hasAttributes = true;
    tag.alpha = static_cast<BYTE>(alpha & 0xFF);
    tag.flags = static_cast<DWORD>((alpha >> 8) & (LWA_ALPHA | LWA_COLORKEY));
    tag.key = static_cast<COLORREF>((key - 1) & 0xFFFFFF);
  }
  return true;
}

void RemoveTranslucencyTag(HWND window) {
  RemovePropW(window, kTranslucentTag);
  RemovePropW(window, kLayeredAlphaTag);
  RemovePropW(window, kLayeredKeyTag);
}

bool WriteTopmostTag(HWND window) { return SetPropW(window, kTopmostTag, AsData(1)) != FALSE; }

bool ReadTopmostTag(HWND window) { return GetPropW(window, kTopmostTag) != nullptr; }

void RemoveTopmostTag(HWND window) { RemovePropW(window, kTopmostTag); }
