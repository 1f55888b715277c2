#!/usr/bin/env bash
# Builds the 64-bit Windows binaries (mingw-w64) and runs their tests under
# wine64: the settings tests, the platform-behaviour tests that also judge
# winsim, the hook DLL checks, and the end-to-end run of the program with
# test applications. 64-bit, because this machine kind runs no 32-bit code.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)

packages=(wine64 wine64-tools libwine-dev fonts-wine xvfb xauth imagemagick g++-mingw-w64-x86-64-posix
          binutils-mingw-w64-x86-64 libpython3.11-dev libboost-dev googletest cmake ninja-build)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

build="$top/build-windows64"
cmake -G Ninja -S "$top" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-x86_64.cmake" >/dev/null
cmake --build "$build"
ctest --test-dir "$build" --output-on-failure
