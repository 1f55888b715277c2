#!/usr/bin/env bash
# Builds the program as a Winelib program: Win32 code compiled for the host
# and run by Wine, linking the host's libpython3.11 and loading the
# mingw-built QuillmereHook.dll at run time.
#   scripts/build-winelib.sh OUT-DIR [win32|win64]
# win32 is the program's architecture (needs the i386 packages: wine32-tools,
# libpython3.11-dev:i386, g++-multilib); win64 serves machines that cannot
# run 32-bit code. The hook library of the same architecture must be in
# OUT-DIR (the mingw build puts it in hook/).
#
# wchar_t is 16 bits wide, as on Windows (-fshort-wchar with Wine's
# WINE_UNICODE_NATIVE: WCHAR is wchar_t). The host's C++ library is built
# for a 32-bit wchar_t, so std::basic_string<wchar_t> is instantiated in the
# program (_GLIBCXX_ASSERTIONS turns off the library's prebuilt copies), the
# C library's wide primitives come from cmake/winelib/WideRuntime.cpp, and
# the program formats no wide streams. Text reaches the interpreter through
# the UTF-16 codec (script/WideText.h).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
out=$(mkdir -p "$1" && cd "$1" && pwd)
arch=${2:-win32}
if [ "$arch" = win32 ]; then m=-m32; pyinc=/usr/include/python3.11; else m=-m64; pyinc=/usr/include/python3.11; fi

mkdir -p "$out/obj" "$out/boost-include" "$out/generated/shell"
ln -sfn /usr/include/boost "$out/boost-include/boost"

# The version header, made from the project's version as CMake makes it.
version=$(sed -n 's/^project(Quillmere VERSION \([0-9.]*\) .*/\1/p' "$top/CMakeLists.txt")
if [ -z "$version" ]; then echo "no project version in $top/CMakeLists.txt" >&2; exit 1; fi
sed "s/@PROJECT_VERSION@/$version/g" "$top/shell/version.h.in" > "$out/generated/shell/version.h.new"
cmp -s "$out/generated/shell/version.h.new" "$out/generated/shell/version.h" ||
  mv "$out/generated/shell/version.h.new" "$out/generated/shell/version.h"
rm -f "$out/generated/shell/version.h.new"

# The hook library is imported by name, through an import library made from
# its exports.
cat > "$out/QuillmereHook.spec" <<'SPEC'
@ cdecl RegisterHook(ptr long)
@ cdecl UnregisterHook()
SPEC
winebuild $m -w --def -E "$out/QuillmereHook.spec" -o "$out/libQuillmereHook.def"

flags=($m -mcygwin -std=c++17 -O1 -Wall -Wextra -Wno-attributes -fshort-wchar -DWINE_UNICODE_NATIVE
       -D_GLIBCXX_ASSERTIONS -DUNICODE -D_UNICODE -DNOMINMAX -I"$top" -I"$out/generated" -I"$top/cmake/winelib/include" -isystem "$out/boost-include" -isystem "$pyinc"
       -DQUILLMERE_PYTHON_LIBRARY='"libpython3.11.so.1.0"')
sources=(config/*.cpp script/*.cpp shade/*.cpp module/*.cpp
         shell/BaseWindow.cpp shell/MainWindow.cpp shell/ProgramLocale.cpp shell/WindowRegistry.cpp shell/WinMain.cpp
         cmake/winelib/WideRuntime.cpp cmake/winelib/PythonPreload.cpp)
header_dirs=(config script shade module shell hook cmake/winelib "$out/generated")
objects=()
pids=()
cd "$top"
for s in ${sources[@]}; do
  o="$out/obj/$(echo "$s" | tr / _).o"
  objects+=("$o")
  # Rebuilt when its source, or any header it may include, is newer.
  if [ ! -f "$o" ] || [ "$s" -nt "$o" ] ||
     [ -n "$(find "${header_dirs[@]}" -name '*.h' -newer "$o" -print -quit)" ]; then
    winegcc "${flags[@]}" -c -x c++ "$s" -o "$o" &
    pids+=($!)
    if [ ${#pids[@]} -ge "$(nproc)" ]; then wait "${pids[0]}"; pids=("${pids[@]:1}"); fi
  fi
done
for p in "${pids[@]}"; do wait "$p"; done

wrc $m --nostdinc -I"$top/shell" -I"$out/generated/shell" -I/usr/include/wine/wine/windows -I/usr/include/wine/wine/msvcrt \
    -o "$out/quillmere.res" "$top/shell/quillmere.rc"

winegcc $m -mcygwin -mwindows -o "$out/quillmere.exe" "${objects[@]}" "$out/quillmere.res" \
  -L"$out" -lQuillmereHook -luser32 -lgdi32 -lshell32 -lpython3.11 -ldl -lstdc++ -Wl,-Bsymbolic
echo "built $out/quillmere.exe.so"
