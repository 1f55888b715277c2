// ACCELERATORS: its own LANGUAGE, then a character or a key code, with ASCII, VIRTKEY, ALT, SHIFT
// and CONTROL.
#include "rc/parser.h"

#include <cstdint>
#include <vector>

namespace winsim::rc {

std::vector<Accelerator> Parser::Accelerators() {
  AcceptResourceLanguage();
  ExpectWord("BEGIN", "to open the accelerator table");
  std::vector<Accelerator> table;
  while (!IsWord(Peek(), "END")) table.push_back(AcceleratorEntry());
  Next();
  return table;
}

Accelerator Parser::AcceleratorEntry() {
  const Token event = Peek();
  uint32_t key = 0;
  const bool quoted = event.kind == Kind::String;
  if (quoted) {
    Next();
    if (event.wide.size() != 1) Fail(event, "an accelerator's key must be one character, not " + Describe(event));
    key = static_cast<uint32_t>(event.wide[0]);
  } else {
    key = Expr();
  }
  Expect(",", "after the accelerator's key");
  Accelerator acc;
  acc.cmd = static_cast<WORD>(Expr());
  bool ascii = false, virtkey = false;
  while (Accept(",")) {
    const Token &opt = Next();
    if (IsWord(opt, "ASCII"))
      ascii = true;
    else if (IsWord(opt, "VIRTKEY"))
      virtkey = true;
    else if (IsWord(opt, "ALT"))
      acc.fVirt |= FALT;
    else if (IsWord(opt, "SHIFT"))
      acc.fVirt |= FSHIFT;
    else if (IsWord(opt, "CONTROL"))
      acc.fVirt |= FCONTROL;
    else
      Fail(opt, "expected ASCII, VIRTKEY, ALT, SHIFT or CONTROL, found " + Describe(opt));
  }
  if (ascii && virtkey) Fail(event, "an accelerator cannot be both ASCII and VIRTKEY");
  if (!quoted && !ascii && !virtkey) Fail(event, "a numeric accelerator key needs ASCII or VIRTKEY");
  if (virtkey) {
    // A quoted letter names the key, whose code is the upper-case letter's.
    if (quoted && key >= 'a' && key <= 'z') key -= 'a' - 'A';
    acc.fVirt |= FVIRTKEY;
  }
  acc.key = static_cast<WORD>(key);
  return acc;
}

}  // namespace winsim::rc
