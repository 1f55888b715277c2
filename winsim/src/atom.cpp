// The global atom table: strings, compared without regard to case, that
// stand for 16-bit numbers. Integer atoms (1 to 0xBFFF) stand for
// themselves, written as MAKEINTATOM(n) or as the string "#n"; string atoms
// are numbered from 0xC000 and counted, so that each GlobalAddAtomW needs a
// GlobalDeleteAtom. Window properties named by a string hold an atom of it.
#include "desktop.h"

#include <cwchar>
#include <cwctype>
#include <unordered_map>

using namespace winsim;

namespace {

constexpr ATOM kFirstStringAtom = 0xC000;
constexpr size_t kMaxAtomLength = 255;

struct AtomEntry {
  std::wstring name;
  unsigned count = 0;
};

// Entries indexed by atom - 0xC000 (an entry with count 0 is free), the
// live ones also by their name in upper case, and the free slots, so that
// a full table (0x4000 string atoms) is reached as fast as an empty one.
struct AtomTable {
  std::vector<AtomEntry> entries;
  std::unordered_map<std::wstring, size_t> byName;
  std::vector<size_t> freeSlots;
  // Where a name is put in upper case to be looked up; kept, so that a
  // look-up allocates nothing (the desktop lock guards it like the rest).
  std::wstring folded;
};

AtomTable &Table() {
  static AtomTable *table = new AtomTable;  // lives as long as the desktop
  return *table;
}

// Upper case as atom names compare: ASCII letters by themselves, whatever
// the locale (the platform's case table maps 'i' to 'I' everywhere), the
// rest through the C library.
wchar_t FoldedChar(wchar_t c) {
  if (c < 0x80) return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c;
  return static_cast<wchar_t>(std::towupper(c));
}

// The table's look-up key for the name of `length` characters.
const std::wstring &Folded(AtomTable &table, const wchar_t *name, size_t length) {
  table.folded.assign(name, length);
  for (wchar_t &c : table.folded) c = FoldedChar(c);
  return table.folded;
}

// "#123": the integer atom 123; 0 when the text is not of that form or
// names no integer atom.
ATOM IntegerAtomOf(const wchar_t *text, size_t length) {
  if (length < 2 || text[0] != L'#') return 0;
  unsigned long value = 0;
  for (size_t i = 1; i < length; ++i) {
    if (text[i] < L'0' || text[i] > L'9') return 0;
    value = value * 10 + static_cast<unsigned long>(text[i] - L'0');
    if (value >= kFirstStringAtom) return 0;
  }
  return static_cast<ATOM>(value);
}

enum class Kind { Integer, String, Invalid };

// What a name given to the atom functions is: an integer atom (set in
// atom) or a string (its length set in length).
Kind Classify(LPCWSTR name, ATOM &atom, size_t &length) {
  if (IS_INTRESOURCE(name)) {
    atom = static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(name));
    return atom != 0 && atom < kFirstStringAtom ? Kind::Integer : Kind::Invalid;
  }
  length = std::wcslen(name);
  if (length == 0 || length > kMaxAtomLength) return Kind::Invalid;
  atom = IntegerAtomOf(name, length);
  return atom ? Kind::Integer : Kind::String;
}

// The atom of a name; a string not yet in the table is added when `add`
// says so (and then counted), else it has none.
ATOM AtomOfLocked(LPCWSTR name, bool add) {
  ATOM atom = 0;
  size_t length = 0;
  switch (Classify(name, atom, length)) {
    case Kind::Integer:
      return atom;
    case Kind::Invalid:
      return FailWith<ATOM>(ERROR_INVALID_PARAMETER, 0);
    case Kind::String:
      break;
  }
  AtomTable &table = Table();
  const std::wstring &folded = Folded(table, name, length);
  auto found = table.byName.find(folded);
  if (found != table.byName.end()) {
    if (add) ++table.entries[found->second].count;
    return static_cast<ATOM>(kFirstStringAtom + found->second);
  }
  if (!add) return FailWith<ATOM>(ERROR_FILE_NOT_FOUND, 0);
  size_t slot = table.entries.size();
  if (!table.freeSlots.empty()) {
    slot = table.freeSlots.back();
    table.freeSlots.pop_back();
  } else {
    // The string atoms 0xC000 to 0xFFFF are all taken: the table is full.
    if (table.entries.size() >= 0x10000u - kFirstStringAtom) return FailWith<ATOM>(ERROR_NOT_ENOUGH_MEMORY, 0);
    table.entries.emplace_back();
  }
  table.entries[slot] = AtomEntry{std::wstring(name, length), 1};
  table.byName.emplace(folded, slot);
  return static_cast<ATOM>(kFirstStringAtom + slot);
}

}  // namespace

namespace winsim {

ATOM FindAtomLocked(LPCWSTR name) { return AtomOfLocked(name, false); }

ATOM AddAtomLocked(LPCWSTR name) { return AtomOfLocked(name, true); }

bool ReleaseAtomLocked(ATOM atom) {
  if (atom == 0) return false;
  if (atom < kFirstStringAtom) return true;
  AtomTable &table = Table();
  size_t index = atom - kFirstStringAtom;
  if (index >= table.entries.size() || !table.entries[index].count) return false;
  AtomEntry &entry = table.entries[index];
  if (--entry.count == 0) {
    table.byName.erase(Folded(table, entry.name.data(), entry.name.size()));
    entry.name.clear();
    table.freeSlots.push_back(index);
  }
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
