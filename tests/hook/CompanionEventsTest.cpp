// The values an event of a 32-bit application carries to the 64-bit
// program: every forwarded kind has its own message and no other kind has
// one, and what the 32-bit side sends comes back as the 64-bit handle and
// parameter, sign bit included, whatever the system put in the upper half.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>

#include "hook/CompanionEvents.h"

namespace {

// What a 32-bit process posts, as the 64-bit receiver may get it: the
// system zero-extends a posted wParam and sign-extends a posted lParam.
WPARAM ZeroExtended(DWORD value) { return static_cast<WPARAM>(value); }
LPARAM SignExtended(DWORD value) { return static_cast<LPARAM>(static_cast<LONG>(value)); }

HWND Handle(std::uint64_t value) { return reinterpret_cast<HWND>(static_cast<UINT_PTR>(value)); }

TEST(CompanionEvents, EveryForwardedKindHasItsOwnMessageAndNoOtherKindHasOne) {
  for (UINT kind : kForwardedEvents) {
    const UINT message = CompanionEventMessage(kind);
    ASSERT_TRUE(IsCompanionEvent(message)) << kind;
    EXPECT_EQ(ReadCompanionEvent(message, 0, 0).kind, kind);
  }
  for (UINT kind : {0u, static_cast<UINT>(WM_ACTIVATE), static_cast<UINT>(WM_CREATE), kCompanionEventFirst})
    EXPECT_EQ(CompanionEventMessage(kind), 0u) << kind;
  EXPECT_FALSE(IsCompanionEvent(kCompanionEventFirst - 1));
  EXPECT_FALSE(IsCompanionEvent(kCompanionEventFirst + kCompanionEventCount));
}

TEST(CompanionEvents, HandlesComeBackSignExtendedWhateverTheUpperHalfCarried) {
  struct Case {
    std::uint64_t handle;  // as the 64-bit side knows it
  } cases[] = {{0x10042}, {0x7FFFFFFE}, {0xFFFFFFFF80000000ull}, {0xFFFFFFFF8001A2B4ull}, {0xFFFFFFFFFFFFFFFEull}};
  for (const Case &c : cases) {
    const HWND window = Handle(c.handle);
    const DWORD low = Narrow(reinterpret_cast<UINT_PTR>(window));
    for (UINT kind : {static_cast<UINT>(WM_SETFOCUS), static_cast<UINT>(WM_KILLFOCUS)}) {
      const UINT message = CompanionEventMessage(kind);
      // The other window of a focus change is a handle too.
      for (LPARAM lParam : {SignExtended(low), static_cast<LPARAM>(low)}) {
        const CompanionEvent event = ReadCompanionEvent(message, ZeroExtended(low), lParam);
        EXPECT_EQ(event.kind, kind);
        EXPECT_EQ(event.window, window) << std::hex << c.handle;
        EXPECT_EQ(reinterpret_cast<HWND>(event.wParam), window) << std::hex << c.handle;
      }
    }
  }
}

TEST(CompanionEvents, FlagsAndZeroKeepTheirValue) {
  const HWND window = Handle(0xFFFFFFFF80000010ull);
  const LPARAM lParam = SignExtended(Narrow(reinterpret_cast<UINT_PTR>(window)));
  const CompanionEvent shown = ReadCompanionEvent(CompanionEventMessage(WM_SHOWWINDOW), TRUE, lParam);
  EXPECT_EQ(shown.kind, static_cast<UINT>(WM_SHOWWINDOW));
  EXPECT_EQ(shown.wParam, static_cast<WPARAM>(TRUE));
  EXPECT_EQ(shown.window, window);
  EXPECT_EQ(ReadCompanionEvent(CompanionEventMessage(WM_SHOWWINDOW), FALSE, lParam).wParam, 0u);
  const CompanionEvent destroyed = ReadCompanionEvent(CompanionEventMessage(WM_DESTROY), 0, lParam);
  EXPECT_EQ(destroyed.kind, static_cast<UINT>(WM_DESTROY));
  EXPECT_EQ(destroyed.wParam, 0u);
  // A focus change from or to no window.
  EXPECT_EQ(ReadCompanionEvent(CompanionEventMessage(WM_KILLFOCUS), 0, lParam).wParam, 0u);
}

}  // namespace
