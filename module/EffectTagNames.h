// The names of the window properties with which the window effects tag the
// windows they change. They outlive the program: a later run finds them on
// windows that an earlier run left changed and undoes the change.
#ifndef QUILLMERE_MODULE_EFFECTTAGNAMES_H
#define QUILLMERE_MODULE_EFFECTTAGNAMES_H

// Rolled up: the height before, plus one (a property's data is never 0).
const wchar_t kShadeHeightTag[] = L"Quillmere.ShadeHeight";
// Rolled up and the sizing frame was taken away: 1.
const wchar_t kShadeFrameTag[] = L"Quillmere.ShadeFrame";
// Translucent: 1 when the layered style was added, 2 when the window had it.
const wchar_t kTranslucentTag[] = L"Quillmere.Translucent";
// Translucent, and the window had layered attributes of its own: their
// alpha in the low byte and their flags (LWA_ALPHA, LWA_COLORKEY) in the
// next, plus 0x10000; and their colour key, plus one.
const wchar_t kLayeredAlphaTag[] = L"Quillmere.LayeredAlpha";
const wchar_t kLayeredKeyTag[] = L"Quillmere.LayeredKey";
// Made top-most by the effects (it was not top-most before): 1.
const wchar_t kTopmostTag[] = L"Quillmere.Topmost";

#endif
