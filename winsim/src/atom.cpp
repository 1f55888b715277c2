// The global atom table: strings, compared without regard to case, that
// stand for 16-bit numbers. Integer atoms (1 to 0xBFFF) stand for
// themselves, written as MAKEINTATOM(n) or as the string "#n"; string atoms
// are numbered from 0xC000 and counted, so that each GlobalAddAtomW needs a
// GlobalDeleteAtom. Window properties named by a string hold an atom of it.
#include "desktop.h"

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
};

AtomTable &Table() {
  static AtomTable *table = new AtomTable;  // lives as long as the desktop
  return *table;
}

std::wstring Folded(const std::wstring &name) {
  std::wstring folded(name);
  for (wchar_t &c : folded) c = static_cast<wchar_t>(std::towupper(c));
  return folded;
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
  AtomTable &table = Table();
  const std::wstring folded = Folded(text);
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
  table.entries[slot] = AtomEntry{text, 1};
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
    table.byName.erase(Folded(entry.name));
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
