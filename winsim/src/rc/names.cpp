// Names the platform's headers give a script. <windows.h> is not read; its
// constants come from this table. IDC_STATIC is not among them: as with
// mingw-w64's headers, the script's own header defines it.
#include "rc/names.h"

namespace winsim::rc {

namespace {

struct NamedValue {
  const char *name;
  DWORD value;
};

// The table reads best packed, a few names a line.
// clang-format off
#define RC_NAMED(n) {#n, static_cast<DWORD>(n)}
const NamedValue kPlatformConstants[] = {
    RC_NAMED(WS_OVERLAPPED), RC_NAMED(WS_POPUP), RC_NAMED(WS_CHILD), RC_NAMED(WS_VISIBLE),
    RC_NAMED(WS_DISABLED), RC_NAMED(WS_CLIPSIBLINGS), RC_NAMED(WS_CLIPCHILDREN), RC_NAMED(WS_CAPTION),
    RC_NAMED(WS_BORDER), RC_NAMED(WS_DLGFRAME), RC_NAMED(WS_SYSMENU), RC_NAMED(WS_THICKFRAME),
    RC_NAMED(WS_GROUP), RC_NAMED(WS_TABSTOP), RC_NAMED(WS_MINIMIZEBOX), RC_NAMED(WS_MAXIMIZEBOX),
    RC_NAMED(WS_OVERLAPPEDWINDOW), RC_NAMED(WS_POPUPWINDOW),

    RC_NAMED(WS_EX_DLGMODALFRAME), RC_NAMED(WS_EX_TOPMOST), RC_NAMED(WS_EX_TOOLWINDOW),
    RC_NAMED(WS_EX_WINDOWEDGE), RC_NAMED(WS_EX_CLIENTEDGE), RC_NAMED(WS_EX_CONTROLPARENT),
    RC_NAMED(WS_EX_STATICEDGE), RC_NAMED(WS_EX_APPWINDOW),

    RC_NAMED(DS_SETFONT), RC_NAMED(DS_MODALFRAME), RC_NAMED(DS_FIXEDSYS), RC_NAMED(DS_CENTER),
    RC_NAMED(DS_SHELLFONT),

    RC_NAMED(SS_LEFT), RC_NAMED(SS_CENTER), RC_NAMED(SS_RIGHT), RC_NAMED(SS_ICON), RC_NAMED(SS_NOPREFIX),
    RC_NAMED(SS_CENTERIMAGE),

    RC_NAMED(BS_PUSHBUTTON), RC_NAMED(BS_DEFPUSHBUTTON),

    RC_NAMED(IDOK), RC_NAMED(IDCANCEL), RC_NAMED(IDYES), RC_NAMED(IDNO),

    RC_NAMED(VS_FF_DEBUG), RC_NAMED(VS_FF_PRERELEASE), RC_NAMED(VS_FF_PATCHED), RC_NAMED(VS_FF_PRIVATEBUILD),
    RC_NAMED(VS_FF_INFOINFERRED), RC_NAMED(VS_FF_SPECIALBUILD), RC_NAMED(VS_FFI_FILEFLAGSMASK),
    RC_NAMED(VOS_UNKNOWN), RC_NAMED(VOS_NT), RC_NAMED(VOS__WINDOWS32), RC_NAMED(VOS_NT_WINDOWS32),
    RC_NAMED(VFT_UNKNOWN), RC_NAMED(VFT_APP), RC_NAMED(VFT_DLL), RC_NAMED(VFT2_UNKNOWN),
};
// clang-format on
#undef RC_NAMED

}  // namespace

const DWORD *PlatformConstant(const std::string &name) {
  for (const NamedValue &nv : kPlatformConstants)
    if (name == nv.name) return &nv.value;
  return nullptr;
}

}  // namespace winsim::rc
