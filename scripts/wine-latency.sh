#!/usr/bin/env bash
# Benchmark, not a test: the latency of a roll-up under Wine, from a real
# mouse click on a caption bar to the window that lost the focus being at
# caption height, for Quillmere and for a bare application that rolls itself
# up (tests/wine/apps/selfshade.cpp), interleaved in blocks in one run
# (scripts/wine-latency.py does the measuring).
#   scripts/wine-latency.sh [--arch win32|win64] [--with-32bit] [--out DIR] [--blocks N] [--clicks N]
# Builds build-windows64/ (or build-windows/ for win32): the Windows program
# (PE), the hook library, the probe, the application and the test bridge
# python3.dll, registered as the InstallPath of Python 3.11 in the prefix.
# --with-32bit (win64 only) also builds the 32-bit helper quillmere32.exe,
# its hook library and the application in build-windows/, and measures a
# pair of 32-bit applications' windows beside the 64-bit pair; it needs a
# machine that runs 32-bit code (elsewhere one line says so, exit 77).
# OUT (default <build>/wine-latency) receives latency.csv and the logs.
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
arch=win64 out= pass=() with32=
while [ $# -gt 0 ]; do
  case $1 in
    --arch) arch=$2; shift 2 ;;
    --out) out=$2; shift 2 ;;
    --blocks|--clicks) pass+=("$1" "$2"); shift 2 ;;
    --with-32bit) with32=1 pass+=("$1"); shift ;;
    *) echo "usage: $0 [--arch win32|win64] [--with-32bit] [--out DIR] [--blocks N] [--clicks N]" >&2; exit 2 ;;
  esac
done
. "$top/scripts/wine-session.sh"
if [ -n "$with32" ]; then
  [ "$arch" = win64 ] || { echo "$(basename "$0"): --with-32bit goes with --arch win64" >&2; exit 2; }
  wine_session_check win32
  wine_session_build win32 quillmere_selfshade quillmere32 QuillmereHook32 || exit 1
  b32=$b
fi
wine_session_check "$arch"
wine_session_build "$arch" quillmere_probe quillmere_selfshade QuillmereHook quillmere python3_bridge || exit 1
out=${out:-$b/wine-latency}
mkdir -p "$out"
out=$(cd "$out" && pwd)
rm -rf "$out/run"
mkdir -p "$out/run"
wine_session_start "$arch" "$out" || exit 1
wine_register_python "$b/tests/wine/bridge"

cd "$out/run" || exit 1
cp "$b/program/quillmere.exe" "$b/hook/QuillmereHook.dll" "$b/tests/wine/probe.exe" \
  "$b/tests/wine/selfshade.exe" .
if [ -n "$with32" ]; then
  cp "$b32/program/quillmere32.exe" "$b32/program/QuillmereHook32.dll" .
  cp "$b32/tests/wine/selfshade.exe" selfshade32.exe
  export WINE32=/usr/lib/wine/wine
fi
cat >quillmere.ini <<'INI'
[Window]
Left=300
Top=300
Width=400
Height=200
ShowTrayIcon=false
StartMinimize=true

[Path]
FilterPath=latency.py
INI
cat >latency.py <<'PY'
# Rolls the "Managed" windows up and down. The interpreter is the host's
# (behind the test bridge python3.dll), so its CLOCK_MONOTONIC_RAW is the
# clock of the measurement: shade.trace gets, for each roll-up, when the
# filter was asked and when onShade returned.
import time
import Quillmere

asked = [0]

def now_us():
    return time.clock_gettime_ns(time.CLOCK_MONOTONIC_RAW) // 1000

def on_add(hwnd, title, classname):
    if not title.startswith("Managed"):
        return False
    Quillmere.log("managing %s" % title)
    return True

def every_window(hwnd, title, classname):
    asked[0] = now_us()
    return True

def on_shade(hwnd, title, classname):
    Quillmere.doShadeWindow(hwnd, 1)
    with open("shade.trace", "a") as f:
        f.write("%d %d\n" % (asked[0], now_us()))
    return True

def on_unshade(hwnd, title, classname):
    Quillmere.doShadeWindow(hwnd, 0)
    return True

def on_destroy(hwnd, title, classname):
    pass

def configure():
    return ([every_window], on_add, on_destroy, on_shade, on_unshade)
PY
echo "machine: nproc $(nproc); $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ //');" \
     "load $(cut -d' ' -f1-3 /proc/loadavg); Wine $("$WINE" --version 2>/dev/null) ($arch${with32:+ with 32-bit applications})"
python3 "$top/scripts/wine-latency.py" "${pass[@]}"
status=$?
cp latency.csv program.log "$out/" 2>/dev/null
exit $status
