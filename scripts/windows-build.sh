#!/usr/bin/env bash
# Cross-builds the Windows binaries (32-bit, mingw-w64) and runs their
# checks: the hook DLL's exports and shared section, and the settings tests
# under Wine where this machine can run 32-bit code (skipped otherwise).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)

packages=(g++-mingw-w64-i686 binutils-mingw-w64-i686 libboost-dev googletest)
"$top/scripts/install-packages.sh" "${packages[@]}"

cmake -G Ninja -S "$top" -B "$top/build-windows" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-i686.cmake" >/dev/null
cmake --build "$top/build-windows"
ctest --test-dir "$top/build-windows" --output-on-failure
