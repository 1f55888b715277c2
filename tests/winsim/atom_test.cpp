// A full global atom table, as the platform has it once its 0x4000 string
// atoms are taken: no new string names a window property any more, while
// names already in the table and integer atoms still do. (Stated on winsim
// only: filling the real table would break every program of the session.)
#include <string>
#include <vector>

#include "desktop_fixture.h"

using namespace winsim::driver;

namespace winsim_test {
namespace {

using AtomTest = DesktopTest;

HANDLE Data(ULONG_PTR value) { return reinterpret_cast<HANDLE>(value); }

TEST_F(AtomTest, AFullTableRefusesNewStringNamesOnly) {
  HWND w = CreateAppWindow(StartApp("a"), NewWindow{});
  ASSERT_TRUE(SetPropW(w, L"QmAtomKnown", Data(1)));
  std::vector<ATOM> filler;
  for (int i = 0;; ++i) {
    ATOM atom = GlobalAddAtomW((L"QmAtomFiller" + std::to_wstring(i)).c_str());
    if (!atom) {
      EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
      break;
    }
    filler.push_back(atom);
  }
  // Every string atom 0xC000 to 0xFFFF is taken, by these or by others.
  EXPECT_GT(filler.size(), 0x3F00u);
  EXPECT_LE(filler.size(), 0x4000u);

  SetLastError(0);
  EXPECT_FALSE(SetPropW(w, L"QmAtomNew", Data(2)));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
  EXPECT_EQ(GetPropW(w, L"QmAtomNew"), nullptr);
  EXPECT_TRUE(SetPropW(w, L"QMATOMKNOWN", Data(3)));  // in the table already
  EXPECT_EQ(GetPropW(w, L"QmAtomKnown"), Data(3));
  EXPECT_TRUE(SetPropW(w, MAKEINTATOM(1234), Data(4)));

  // One atom given back makes room for one new name.
  ASSERT_EQ(GlobalDeleteAtom(filler.back()), 0);
  filler.pop_back();
  EXPECT_TRUE(SetPropW(w, L"QmAtomNew", Data(2)));
  EXPECT_FALSE(SetPropW(w, L"QmAtomNewer", Data(5)));

  for (ATOM atom : filler) GlobalDeleteAtom(atom);
  RemovePropW(w, L"QmAtomNew");
  RemovePropW(w, L"QmAtomKnown");
  EXPECT_EQ(GlobalFindAtomW(L"QmAtomNew"), 0);
  EXPECT_TRUE(SetPropW(w, L"QmAtomNewer", Data(5)));
  RemovePropW(w, L"QmAtomNewer");
}

}  // namespace
}  // namespace winsim_test
