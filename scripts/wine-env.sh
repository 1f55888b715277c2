# Sourced by the Wine scripts: the environment of one Wine prefix, and the
# rules every run under Wine follows.
#   wine_use ARCH          ARCH is win32 or win64; sets WINE (the loader to
#                          run) and the prefix (QUILLMERE_WINEPREFIX, default
#                          build-wine/ARCH)
#   wine_prefix_ready      makes the prefix once
#   wine_can_run_32bit     whether this machine runs 32-bit x86 code
#   wine_check_arch ARCH   for win32 on a machine that cannot run it: one line
#                          saying so, exit 77 (also under CI=true)
#   wine_require TOOL...   each TOOL (a command or a file) is there, or the
#                          run is skipped: exit 77, or 1 under CI=true
#   wine_ctest DIR ARGS... ctest on a build tree; under CI=true a skipped
#                          test fails the run
#   wine_allow_32bit_skip ARCH COMMAND...  runs COMMAND; its exit status 77
#                          (skipped) counts as success only when ARCH is
#                          win32 and this machine runs no 32-bit code
#   wine_register_python DIR [TAG]   DIR (holding python3.dll) becomes the
#                          InstallPath of Python TAG (default 3.11) in the
#                          prefix
# QUILLMERE_NO_32BIT=1 makes these scripts answer "no" to the 32-bit probe,
# as a machine without IA-32 emulation does.
top=${top:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
# The Debian packages of the 64-bit Windows build and every run under
# wine64: wine holds the unsuffixed commands the scripts call (wine,
# wineserver, winegcc), wine64 the loader, wine64-tools and libwine-dev
# build the test bridge python3.dll over libpython3.11-dev; locales holds
# the sources from which the Japanese runs compile their locale.
wine_packages=(wine wine64 wine64-tools libwine-dev fonts-wine fonts-vlgothic xvfb xauth imagemagick xdotool
               g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 libpython3.11-dev libboost-dev googletest
               cmake ninja-build python3 libxtst6 locales)
# What the 32-bit build and its runs under 32-bit Wine need besides: the
# i386 loader and the i386 interpreter and Winelib libraries for the 32-bit
# bridge (installed only where 32-bit code runs).
wine_packages_32bit=(wine32:i386 libwine-dev:i386 libpython3.11-dev:i386)

export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

wine_script_name=$(basename "$0")

# Whether this machine runs 32-bit x86 programs at all (some kernels are
# built or booted without IA-32 emulation; execve then fails with ENOEXEC).
# Asks 32-bit Wine when it is installed, else a 32-bit hello program.
wine_machine_runs_32bit() {
  if [ -x /usr/lib/wine/wine ]; then
    /usr/lib/wine/wine --version >/dev/null 2>&1
    return
  fi
  local probe status
  probe=$(mktemp -d) || return 1
  printf 'int main(void) { return 0; }\n' >"$probe/probe.c"
  gcc -m32 "$probe/probe.c" -o "$probe/probe" 2>/dev/null && "$probe/probe" 2>/dev/null
  status=$?
  rm -rf "$probe"
  return $status
}

# The answer the scripts go by: QUILLMERE_NO_32BIT=1 makes it "no".
wine_can_run_32bit() {
  [ "${QUILLMERE_NO_32BIT:-}" != 1 ] && wine_machine_runs_32bit
}

wine_no_32bit_line="this machine runs no 32-bit x86 code; the 32-bit runs under Wine are skipped"

wine_check_arch() {
  case $1 in
    win64) ;;
    win32) wine_can_run_32bit || { echo "$wine_script_name: $wine_no_32bit_line"; exit 77; } ;;
    *) echo "$wine_script_name: the architecture is win32 or win64" >&2; exit 2 ;;
  esac
}

wine_require() {
  local tool
  for tool in "$@"; do
    if ! command -v "$tool" >/dev/null 2>&1 && [ ! -e "$tool" ]; then
      if [ "${CI:-}" = true ]; then
        echo "$wine_script_name: $tool is missing; under CI=true that fails the run" >&2
        exit 1
      fi
      echo "$wine_script_name: $tool is missing; skipped" >&2
      exit 77
    fi
  done
}

wine_ctest() {
  local dir=$1 log status
  shift
  log=$(mktemp)
  ctest --test-dir "$dir" --output-on-failure "$@" 2>&1 | tee "$log"
  status=${PIPESTATUS[0]}
  if [ "$status" -eq 0 ] && [ "${CI:-}" = true ] && grep -q 'tests did not run' "$log"; then
    echo "$wine_script_name: under CI=true a skipped test fails the run" >&2
    status=1
  fi
  rm -f "$log"
  return "$status"
}

wine_allow_32bit_skip() {
  local arch=$1 status=0
  shift
  "$@" || status=$?
  if [ "$status" -eq 77 ] && [ "$arch" = win32 ] && ! wine_can_run_32bit; then
    return 0
  fi
  return "$status"
}

wine_register_python() {
  local key="HKCU\\Software\\Python\\PythonCore\\${2:-3.11}\\InstallPath" path
  path=$("$WINE" winepath -w "$1")
  "$WINE" reg add "$key" /ve /d "$path" /f >/dev/null 2>&1
  # Seen under load: the program started right after did not find the key
  # yet. It is read back until it is there.
  for _ in $(seq 50); do
    "$WINE" reg query "$key" /ve 2>/dev/null | tr -d '\r' | grep -qF "$path" && return 0
    sleep 0.2
  done
  echo "$wine_script_name: $key could not be set to $path" >&2
  return 1
}

# The architecture of a PE file: win32 or win64.
wine_pe_arch() {
  if od -An -tx1 -j "$(( $(od -An -tu4 -j 60 -N 4 "$1") + 24 ))" -N 2 "$1" | grep -q '0b 02'; then
    echo win64
  else
    echo win32
  fi
}

wine_use() {
  export WINEARCH=$1
  export WINEPREFIX=${QUILLMERE_WINEPREFIX:-$top/build-wine/$1}
  if [ "$1" = win64 ]; then WINE=/usr/lib/wine/wine64; else WINE=/usr/lib/wine/wine; fi
  export WINE
}

# Makes the prefix once: fonts, and the virtual desktop, so that windows get
# captions and frames without a window manager. Concurrent callers wait for
# the first.
wine_prefix_ready() {
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/.quillmere-ready" ]; then
      "$WINE" wineboot -i >/dev/null 2>&1 || true
      mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
      cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
      # Wine's fonts have no Japanese glyphs: the program's menu links to VL Gothic.
      cp /usr/share/fonts/truetype/vlgothic/VL-Gothic-Regular.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null &&
        for face in Tahoma 'MS Shell Dlg' 'MS Shell Dlg 2' 'Microsoft Sans Serif'; do
          "$WINE" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v "$face" \
            /t REG_MULTI_SZ /d 'VL-Gothic-Regular.ttf,VL Gothic' /f >/dev/null 2>&1
        done
      "$WINE" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
      "$WINE" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
      WINEPREFIX=$WINEPREFIX wineserver -w 2>/dev/null || true
      touch "$WINEPREFIX/.quillmere-ready"
    fi
  ) 9>"$WINEPREFIX.lock"
}
