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
#   - the program imports nothing but the system's DLLs, the hook library and
#     python3.dll (no C++ runtime DLLs: everything is linked statically);
#   - the example settings file reads completely with the program's own
#     settings reader (the settings tests' example case, under wine64).
# Each zip holds one folder quillmere-<version>-<arch>/ with the program, the
# hook library, the example settings file and script (CR LF), the type
# stub Quillmere.pyi and README.txt.
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
  cmake --build "$build" --target quillmere QuillmereHook config_tests
  version=$(cat "$build/quillmere-version.txt")
  exe=$build/program/quillmere.exe
  dll=$build/program/QuillmereHook.dll

  echo "checking the $arch build"
  python3 "$top/scripts/check-windows-program.py" --arch "$arch" --reviewed "$top/cmake/python3-stable-abi.txt" \
    --def "$build/shell/quillmere-python3/python3.def" "$exe"
  [ "$arch" = win64 ] && shared_size=32 || shared_size=16
  "$top/tests/wine/check-hook-dll.sh" "$triple-objdump" "$dll" "$shared_size"
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
  for f in quillmere.ini quillmere_script.py Quillmere.pyi; do
    sed 's/\r*$/\r/' "$top/examples/$f" >"$stage/$f"
  done
  sed 's/\r*$/\r/' "$top/examples/README-Windows.txt" >"$stage/README.txt"
  (cd "$out/stage" && zip -q -X -r "$out/$name.zip" "$name")
  echo "wrote $out/$name.zip"
done
rm -rf "$out/stage"
(cd "$out" && sha256sum "quillmere-$version-win32.zip" "quillmere-$version-win64.zip" >SHA256SUMS)
cat "$out/SHA256SUMS"
