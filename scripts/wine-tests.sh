#!/usr/bin/env bash
# Builds the 64-bit Windows binaries (mingw-w64) and runs their tests under
# wine64: the settings tests, the platform-behaviour tests that also judge
# winsim, the hook DLL checks, how the program finds Python, the test
# bridge python3.dll, and the end-to-end runs of the program (the Windows
# program on the bridge, and the Winelib build) with test applications.
# 64-bit, because this machine kind runs no 32-bit code.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)

. "$top/scripts/wine-env.sh"
"$top/scripts/install-packages.sh" "${wine_packages[@]}"

build="$top/build-windows64"
cmake -G Ninja -S "$top" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-x86_64.cmake" >/dev/null
cmake --build "$build"
ctest --test-dir "$build" --output-on-failure
