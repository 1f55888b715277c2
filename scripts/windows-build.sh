#!/usr/bin/env bash
# Cross-builds the Windows binaries (32-bit, mingw-w64) and runs their
# checks: the hook DLL's exports and shared section and, where this machine
# runs 32-bit code, the settings tests, the platform tests and the
# end-to-end run under 32-bit Wine (skipped otherwise).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)

packages=(g++-mingw-w64-i686 binutils-mingw-w64-i686 libboost-dev libpython3.11-dev googletest gcc-multilib)
"$top/scripts/install-packages.sh" "${packages[@]}"

# Some kernels are built or booted without IA-32 emulation: a 32-bit
# program then fails to start (ENOEXEC), and so would 32-bit Wine.
probe=$(mktemp -d)
trap 'rm -rf "$probe"' EXIT
printf 'int main(void) { return 0; }\n' >"$probe/probe.c"
if gcc -m32 "$probe/probe.c" -o "$probe/probe" 2>/dev/null && "$probe/probe" 2>/dev/null; then
  # 32-bit Wine, and the 32-bit interpreter and compilers of the Winelib build.
  "$top/scripts/install-packages.sh" wine wine32:i386 wine64-tools libwine-dev:i386 libpython3.11-dev:i386 \
    g++-multilib fonts-wine fonts-vlgothic xvfb xauth imagemagick xdotool
else
  echo "windows-build: this machine runs no 32-bit x86 code; the runs under Wine are skipped"
fi

cmake -G Ninja -S "$top" -B "$top/build-windows" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-i686.cmake" >/dev/null
cmake --build "$top/build-windows"
ctest --test-dir "$top/build-windows" --output-on-failure
