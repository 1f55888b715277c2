// VERSIONINFO: its fixed fields, then its blocks of values.
#include "rc/parser.h"

#include <string>

namespace winsim::rc {

VersionInfo Parser::Version() {
  VersionInfo v;
  auto fourParts = [&](WORD(&parts)[4]) {
    for (int k = 0; k < 3; ++k) parts[k] = static_cast<WORD>(Item("between the version's parts"));
    parts[3] = static_cast<WORD>(Expr());
  };
  for (;;) {
    const Token &t = Next();
    if (IsWord(t, "BEGIN")) break;
    if (IsWord(t, "FILEVERSION"))
      fourParts(v.fileVersion);
    else if (IsWord(t, "PRODUCTVERSION"))
      fourParts(v.productVersion);
    else if (IsWord(t, "FILEFLAGSMASK"))
      v.fileFlagsMask = Expr();
    else if (IsWord(t, "FILEFLAGS"))
      v.fileFlags = Expr();
    else if (IsWord(t, "FILEOS"))
      v.fileOS = Expr();
    else if (IsWord(t, "FILETYPE"))
      v.fileType = Expr();
    else if (IsWord(t, "FILESUBTYPE"))
      v.fileSubtype = Expr();
    else
      Fail(t, "expected a VERSIONINFO field or BEGIN, found " + Describe(t));
  }
  VersionBlock(v, L"");
  return v;
}

void Parser::VersionBlock(VersionInfo &v, const std::wstring &parent) {
  DepthGuard guard(*this);
  for (;;) {
    const Token &t = Next();
    if (IsWord(t, "END")) return;
    if (IsWord(t, "BLOCK")) {
      const std::wstring name = ExpectString("naming the block");
      ExpectWord("BEGIN", "to open the block");
      VersionBlock(v, name);
    } else if (IsWord(t, "VALUE")) {
      const std::wstring key = ExpectString("naming the value");
      Expect(",", "after the value's name");
      if (Peek().kind == Kind::String) {
        v.strings[key] = ExpectString("");
      } else if (parent == L"VarFileInfo" && key == L"Translation") {
        do v.translations.push_back(static_cast<WORD>(Expr()));
        while (Accept(","));
      } else {
        Fail(Peek(), "expected a string for the value, found " + Describe(Peek()));
      }
    } else {
      Fail(t, "expected BLOCK, VALUE or END in VERSIONINFO, found " + Describe(t));
    }
  }
}

}  // namespace winsim::rc
