// Window properties and the global atoms that name them, as the platform
// keeps them: per window, named by a string or an atom, names compared
// without regard to case, readable from any thread, gone with the window.
#include "platform_support.h"

namespace platform_test {
namespace {

using PropTest = PlatformTest;

HANDLE Data(ULONG_PTR value) { return reinterpret_cast<HANDLE>(value); }

TEST_F(PropTest, PropertiesArePerWindowReplacedBySettingAgainAndGoneWhenRemoved) {
  HWND a = Make(WS_OVERLAPPEDWINDOW);
  HWND b = Make(WS_OVERLAPPEDWINDOW);
  EXPECT_EQ(GetPropW(a, L"QmTestHeight"), nullptr);  // never set

  ASSERT_TRUE(SetPropW(a, L"QmTestHeight", Data(300)));
  EXPECT_EQ(GetPropW(a, L"QmTestHeight"), Data(300));
  EXPECT_EQ(GetPropW(b, L"QmTestHeight"), nullptr);

  ASSERT_TRUE(SetPropW(a, L"QmTestHeight", Data(27)));
  EXPECT_EQ(GetPropW(a, L"QmTestHeight"), Data(27));

  // Removing gives the data back once; the property is gone afterwards.
  EXPECT_EQ(RemovePropW(a, L"QmTestHeight"), Data(27));
  EXPECT_EQ(GetPropW(a, L"QmTestHeight"), nullptr);
  EXPECT_EQ(RemovePropW(a, L"QmTestHeight"), nullptr);
  EXPECT_EQ(RemovePropW(b, L"QmTestNeverSet"), nullptr);
}

TEST_F(PropTest, NamesAreAtomsComparedWithoutRegardToCase) {
  HWND w = Make(WS_OVERLAPPEDWINDOW);
  ASSERT_TRUE(SetPropW(w, L"QmTestFrame", Data(1)));
  EXPECT_EQ(GetPropW(w, L"QMTESTFRAME"), Data(1));
  EXPECT_EQ(GetPropW(w, L"qmtestframe"), Data(1));

  // The string stands for its global atom; the atom names the same property.
  ATOM atom = GlobalFindAtomW(L"QmTestFrame");
  ASSERT_NE(atom, 0);
  EXPECT_GE(atom, 0xC000);
  EXPECT_EQ(GetPropW(w, MAKEINTATOM(atom)), Data(1));
  EXPECT_EQ(RemovePropW(w, MAKEINTATOM(atom)), Data(1));
  EXPECT_EQ(GetPropW(w, L"QmTestFrame"), nullptr);

  // An atom added first names the property that its string reads.
  ATOM added = GlobalAddAtomW(L"QmTestLayered");
  ASSERT_NE(added, 0);
  EXPECT_EQ(GlobalAddAtomW(L"qmtestlayered"), added);  // the same atom, counted twice
  ASSERT_TRUE(SetPropW(w, MAKEINTATOM(added), Data(2)));
  EXPECT_EQ(GetPropW(w, L"QmTestLayered"), Data(2));
  EXPECT_EQ(RemovePropW(w, L"QmTestLayered"), Data(2));
  EXPECT_EQ(GlobalDeleteAtom(added), 0);
  EXPECT_EQ(GlobalDeleteAtom(added), 0);
  EXPECT_EQ(GlobalFindAtomW(L"QmTestLayered"), 0);

  // A name that no atom has names no property.
  EXPECT_EQ(GetPropW(w, L"QmTestNoSuchName"), nullptr);
}

TEST_F(PropTest, IntegerAtomsNameThemselves) {
  HWND w = Make(WS_OVERLAPPEDWINDOW);
  EXPECT_EQ(GlobalAddAtomW(MAKEINTATOM(1234)), 1234);
  EXPECT_EQ(GlobalAddAtomW(L"#1234"), 1234);
  ASSERT_TRUE(SetPropW(w, MAKEINTATOM(1234), Data(7)));
  EXPECT_EQ(GetPropW(w, MAKEINTATOM(1234)), Data(7));
  EXPECT_EQ(RemovePropW(w, MAKEINTATOM(1234)), Data(7));
}

TEST_F(PropTest, AnotherThreadReadsAndWritesAWindowsProperties) {
  OtherThread other;
  ASSERT_TRUE(SetPropW(other.window(), L"QmTestShared", Data(41)));
  HWND mine = Make(WS_OVERLAPPEDWINDOW);
  ASSERT_TRUE(SetPropW(mine, L"QmTestShared", Data(42)));
  HANDLE seenThere = nullptr;
  std::thread reader([&] { seenThere = GetPropW(mine, L"QmTestShared"); });
  reader.join();
  EXPECT_EQ(seenThere, Data(42));
  EXPECT_EQ(GetPropW(other.window(), L"QmTestShared"), Data(41));
  EXPECT_EQ(RemovePropW(other.window(), L"QmTestShared"), Data(41));
}

TEST_F(PropTest, AStaleWindowHasNoPropertiesAndTakesNone) {
  HWND w = Make(WS_OVERLAPPEDWINDOW);
  ASSERT_TRUE(SetPropW(w, L"QmTestGone", Data(5)));
  ASSERT_TRUE(DestroyWindow(w));
  EXPECT_EQ(GetPropW(w, L"QmTestGone"), nullptr);
  SetLastError(0);
  EXPECT_FALSE(SetPropW(w, L"QmTestGone", Data(6)));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  EXPECT_EQ(RemovePropW(w, L"QmTestGone"), nullptr);
}

}  // namespace
}  // namespace platform_test
