#!/usr/bin/env bash
# Cross-builds the Windows binaries (32-bit, mingw-w64) and runs their
# checks: the hook DLL's exports and shared section, the program's imports,
# those of the 32-bit helper quillmere32.exe and of its hook library
# QuillmereHook32.dll (which the 64-bit release ships) and, where this machine runs 32-bit code, under 32-bit Wine the settings
# tests, the platform tests, the test bridge python3.dll and the end-to-end
# runs of the Windows program on it. Elsewhere one line says that the
# 32-bit runs are skipped, and only the checks that read the binaries run.
# Under CI=true a skipped test fails the run.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
. "$top/scripts/wine-env.sh"

"$top/scripts/install-packages.sh" g++-mingw-w64-i686 binutils-mingw-w64-i686 libboost-dev libpython3.11-dev \
  googletest gcc-multilib cmake ninja-build python3
runs_32bit=
if wine_can_run_32bit; then
  runs_32bit=1
  # 32-bit Wine, and the i386 interpreter and Winelib libraries of the
  # 32-bit test bridge.
  "$top/scripts/install-packages.sh" "${wine_packages[@]}" "${wine_packages_32bit[@]}"
fi

cmake -G Ninja -S "$top" -B "$top/build-windows" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-i686.cmake" >/dev/null
if [ -n "$runs_32bit" ]; then
  cmake --build "$top/build-windows"
  wine_ctest "$top/build-windows"
else
  echo "windows-build: $wine_no_32bit_line"
  cmake --build "$top/build-windows" --target quillmere QuillmereHook quillmere32 QuillmereHook32 bridge_tests
  wine_ctest "$top/build-windows" -L host
fi
