# Sourced by the Wine scripts: the environment of one Wine prefix.
#   wine_use ARCH    ARCH is win32 or win64; sets WINE (the loader to run) and
#                    the prefix (QUILLMERE_WINEPREFIX, default build-wine/ARCH)
#   wine_prefix_ready   makes the prefix once
top=${top:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
# The Debian packages of the 64-bit Windows build and the runs under wine64.
wine_packages=(wine64 wine64-tools libwine-dev fonts-wine fonts-vlgothic xvfb xauth imagemagick xdotool g++-mingw-w64-x86-64-posix
               binutils-mingw-w64-x86-64 libpython3.11-dev libboost-dev googletest cmake ninja-build)

export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

# Whether this machine runs 32-bit x86 programs at all (some kernels are
# built or booted without IA-32 emulation; execve then fails with ENOEXEC).
wine_can_run_32bit() {
  [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1
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
