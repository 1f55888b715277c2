#!/usr/bin/env bash
# Builds the 64-bit Windows binaries (mingw-w64) and runs their tests under
# wine64: the settings tests, the platform-behaviour tests that also judge
# winsim, the hook DLL checks, how the program finds Python, the test
# bridge python3.dll, and the end-to-end runs of the Windows program on
# that bridge, with our test applications and with Wine's own programs.
# 64-bit runs on every machine of this kind; the 32-bit runs are
# scripts/windows-build.sh's. Under CI=true a skipped test fails the run.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)

. "$top/scripts/wine-env.sh"
"$top/scripts/install-packages.sh" "${wine_packages[@]}"

build="$top/build-windows64"
cmake -G Ninja -S "$top" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-x86_64.cmake" >/dev/null
cmake --build "$build"
wine_ctest "$build"
