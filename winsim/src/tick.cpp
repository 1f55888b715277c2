// The tick count: milliseconds on the host's steady clock. The count
// begins a minute before the 32-bit GetTickCount wraps to 0 (as it does on
// the platform after 49.7 days), so that code which compares message
// times meets the wrap in any run longer than that.
#include "desktop.h"

#include <chrono>

namespace winsim {

namespace {

constexpr ULONGLONG kStartTicks = 0x100000000ULL - 60ULL * 1000;

ULONGLONG TicksNow() {
  static const auto start = std::chrono::steady_clock::now();
  auto since = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
  return kStartTicks + static_cast<ULONGLONG>(since.count());
}

}  // namespace

DWORD TickCountNow() { return static_cast<DWORD>(TicksNow()); }

}  // namespace winsim

DWORD WINAPI GetTickCount(void) { return winsim::TickCountNow(); }

ULONGLONG WINAPI GetTickCount64(void) { return winsim::TicksNow(); }
