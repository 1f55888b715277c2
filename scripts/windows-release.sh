#!/usr/bin/env bash
# Builds the Windows release: quillmere.exe and QuillmereHook.dll for 32- and
# 64-bit Windows (mingw-w64, Release), checks both, and writes
#   OUT/quillmere-<version>-win32.zip
#   OUT/quillmere-<version>-win64.zip
#   OUT/SHA256SUMS
#   scripts/windows-release.sh [OUT]      (default OUT: build-release/)
# The checks, before anything is zipped:
#   - each exe is PE32 (win32) or PE32+ (win64);
#   - it imports python3.dll (never python3XY.dll), delay-loaded, and only
#     functions on the reviewed list cmake/python3-stable-abi.txt, no data;
#   - QuillmereHook.dll exports exactly RegisterHook and UnregisterHook and
#     keeps its shared section;
#   - the 32-bit helper quillmere32.exe (built in the win32 tree, shipped
#     in the win64 zip only) is PE32 and imports no Python at all and
#     nothing but the system's DLLs and QuillmereHook32.dll, which exports
#     exactly RegisterCompanionHook and UnregisterCompanionHook and keeps
#     its shared section;
#   - the program imports nothing but the system's DLLs, the hook library and
#     python3.dll (no C++ runtime DLLs: everything is linked statically);
#   - the example settings file reads completely with the program's own
#     settings reader (the settings tests' example case, under wine64).
# Each zip holds one folder quillmere-<version>-<arch>/ with the program, the
# hook library, the example settings file and script (CR LF), the type
# stub Quillmere.pyi and README.txt; the win64 one also holds the 32-bit
# helper and its hook library, with which the 64-bit program covers 32-bit
# applications. Each zip's listing is checked against that.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
out=$(mkdir -p "${1:-$top/build-release}" && cd "${1:-$top/build-release}" && pwd)

. "$top/scripts/wine-env.sh"
"$top/scripts/install-packages.sh" "${wine_packages[@]}" g++-mingw-w64-i686 binutils-mingw-w64-i686 zip unzip

for arch in win32 win64; do
  case $arch in
    win32) toolchain=mingw-i686 triple=i686-w64-mingw32 ;;
    win64) toolchain=mingw-x86_64 triple=x86_64-w64-mingw32 ;;
  esac
  build=$out/build-$arch
  cmake -G Ninja -S "$top" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/$toolchain.cmake" \
        -DCMAKE_BUILD_TYPE=Release "-DCMAKE_EXE_LINKER_FLAGS=-static -s" "-DCMAKE_SHARED_LINKER_FLAGS=-static -s" >/dev/null
  targets=(quillmere QuillmereHook config_tests)
  [ "$arch" = win32 ] && targets+=(quillmere32 QuillmereHook32)
  cmake --build "$build" --target "${targets[@]}"
  version=$(cat "$build/quillmere-version.txt")
  exe=$build/program/quillmere.exe
  dll=$build/program/QuillmereHook.dll

  echo "checking the $arch build"
  python3 "$top/scripts/check-windows-program.py" --arch "$arch" --reviewed "$top/cmake/python3-stable-abi.txt" \
    --def "$build/shell/quillmere-python3/python3.def" "$exe"
  [ "$arch" = win64 ] && shared_size=32 || shared_size=16
  "$top/tests/wine/check-hook-dll.sh" "$triple-objdump" "$dll" "$shared_size"
  if [ "$arch" = win32 ]; then
    helper=$build/program/quillmere32.exe
    helper_dll=$build/program/QuillmereHook32.dll
    python3 "$top/scripts/check-windows-program.py" --helper "$helper"
    "$top/tests/wine/check-hook-dll.sh" "$triple-objdump" "$helper_dll" 16 RegisterCompanionHook UnregisterCompanionHook
  fi
  # The settings reader is the same code in both builds; the 64-bit one
  # reads the file under wine64 (32-bit Wine may be an emulation here).
  if [ "$arch" = win64 ]; then
    "$top/scripts/wine-run.sh" "$build/tests/config/config_tests.exe" --gtest_filter='QuillmereExample.*' >"$build/example-settings.log" 2>&1 ||
      { cat "$build/example-settings.log"; echo "windows-release: the example settings file does not read completely" >&2; exit 1; }
    echo "the example settings file reads completely ($arch settings reader)"
  fi

  name=quillmere-$version-$arch
  stage=$out/stage/$name
  rm -rf "$stage" "$out/$name.zip"
  mkdir -p "$stage"
  cp "$exe" "$dll" "$stage/"
  shipped=(quillmere.exe QuillmereHook.dll)
  # The win64 zip takes the helper and its hook library checked above
  # (the win32 build runs first).
  if [ "$arch" = win64 ]; then
    cp "$helper" "$helper_dll" "$stage/"
    shipped+=(quillmere32.exe QuillmereHook32.dll)
  fi
  for f in quillmere.ini quillmere_script.py Quillmere.pyi; do
    sed 's/\r*$/\r/' "$top/examples/$f" >"$stage/$f"
  done
  sed 's/\r*$/\r/' "$top/examples/README-Windows.txt" >"$stage/README.txt"
  (cd "$out/stage" && zip -q -X -r "$out/$name.zip" "$name")
  listed=$(unzip -Z1 "$out/$name.zip" | sort)
  expected=$(printf '%s\n' "$name/" "${shipped[@]/#/$name/}" "$name/"{quillmere.ini,quillmere_script.py,Quillmere.pyi,README.txt} | sort)
  [ "$listed" = "$expected" ] ||
    { echo "windows-release: $name.zip holds" $listed "instead of" $expected >&2; exit 1; }
  echo "wrote $out/$name.zip:" $(unzip -Z1 "$out/$name.zip" | sed "s|^$name/||" | grep .)
done
rm -rf "$out/stage"
(cd "$out" && sha256sum "quillmere-$version-win32.zip" "quillmere-$version-win64.zip" >SHA256SUMS)
cat "$out/SHA256SUMS"
