// The global atom table: strings, compared without regard to case, that
// stand for 16-bit numbers. Integer atoms (1 to 0xBFFF) stand for
// themselves, written as MAKEINTATOM(n) or as the string "#n"; string atoms
// are numbered from 0xC000 and counted, so that each GlobalAddAtomW needs a
// GlobalDeleteAtom. Window properties named by a string hold an atom of it.
#include "desktop.h"

#include <cwctype>

using namespace winsim;

namespace {

constexpr ATOM kFirstStringAtom = 0xC000;
constexpr size_t kMaxAtomLength = 255;

struct AtomEntry {
  std::wstring name;
  unsigned count = 0;
};

// Indexed by atom - 0xC000; an entry with count 0 is free.
std::vector<AtomEntry> &Table() {
  static std::vector<AtomEntry> *table = new std::vector<AtomEntry>;  // lives as long as the desktop
  return *table;
}

bool SameName(const std::wstring &a, const std::wstring &b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::towupper(a[i]) != std::towupper(b[i])) return false;
  return true;
}

// "#123": the integer atom 123; 0 when the text is not of that form or
// names no integer atom.
ATOM IntegerAtomOf(const std::wstring &text) {
  if (text.size() < 2 || text[0] != L'#') return 0;
  unsigned long value = 0;
  for (size_t i = 1; i < text.size(); ++i) {
    if (text[i] < L'0' || text[i] > L'9') return 0;
    value = value * 10 + static_cast<unsigned long>(text[i] - L'0');
    if (value >= kFirstStringAtom) return 0;
  }
  return static_cast<ATOM>(value);
}

enum class Kind { Integer, String, Invalid };

// What a name given to the atom functions is: an integer atom (set in
// atom) or a string (set in text).
Kind Classify(LPCWSTR name, ATOM &atom, std::wstring &text) {
  if (IS_INTRESOURCE(name)) {
    atom = static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(name));
    return atom != 0 && atom < kFirstStringAtom ? Kind::Integer : Kind::Invalid;
  }
  text = name;
  if (text.empty() || text.size() > kMaxAtomLength) return Kind::Invalid;
  atom = IntegerAtomOf(text);
  return atom ? Kind::Integer : Kind::String;
}

// The atom of a name; a string not yet in the table is added when `add`
// says so (and then counted), else it has none.
ATOM AtomOfLocked(LPCWSTR name, bool add) {
  ATOM atom = 0;
  std::wstring text;
  switch (Classify(name, atom, text)) {
    case Kind::Integer: return atom;
    case Kind::Invalid: return FailWith<ATOM>(ERROR_INVALID_PARAMETER, 0);
    case Kind::String: break;
  }
  std::vector<AtomEntry> &table = Table();
  size_t freeSlot = table.size();
  for (size_t i = 0; i < table.size(); ++i) {
    if (table[i].count && SameName(table[i].name, text)) {
      if (add) ++table[i].count;
      return static_cast<ATOM>(kFirstStringAtom + i);
    }
    if (!table[i].count && freeSlot == table.size()) freeSlot = i;
  }
  if (!add) return FailWith<ATOM>(ERROR_FILE_NOT_FOUND, 0);
  if (freeSlot == table.size()) {
    if (table.size() >= 0x10000u - kFirstStringAtom) return FailWith<ATOM>(ERROR_NOT_ENOUGH_MEMORY, 0);
    table.emplace_back();
  }
  table[freeSlot] = AtomEntry{text, 1};
  return static_cast<ATOM>(kFirstStringAtom + freeSlot);
}

}  // namespace

namespace winsim {

ATOM FindAtomLocked(LPCWSTR name) { return AtomOfLocked(name, false); }

ATOM AddAtomLocked(LPCWSTR name) { return AtomOfLocked(name, true); }

bool ReleaseAtomLocked(ATOM atom) {
  if (atom == 0) return false;
  if (atom < kFirstStringAtom) return true;
  std::vector<AtomEntry> &table = Table();
  size_t index = atom - kFirstStringAtom;
  if (index >= table.size() || !table[index].count) return false;
  if (--table[index].count == 0) table[index].name.clear();
  return true;
}

}  // namespace winsim

ATOM WINAPI GlobalAddAtomW(LPCWSTR name) {
  if (!name) return FailWith<ATOM>(ERROR_INVALID_PARAMETER, 0);
  Lock lock(Mutex());
  return AddAtomLocked(name);
}

ATOM WINAPI GlobalFindAtomW(LPCWSTR name) {
  if (!name) return FailWith<ATOM>(ERROR_INVALID_PARAMETER, 0);
  Lock lock(Mutex());
  return FindAtomLocked(name);
}

ATOM WINAPI GlobalDeleteAtom(ATOM atom) {
  Lock lock(Mutex());
  if (ReleaseAtomLocked(atom)) return 0;
  return FailWith<ATOM>(ERROR_INVALID_HANDLE, atom);
}
