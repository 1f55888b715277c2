#!/usr/bin/env bash
# The program under Wine with applications nobody here wrote: Wine's own
# Notepad, Registry Editor and WineMine. The focus moves as a person moves
# it, by mouse clicks through the X server (xdotool) on the caption bars;
# a probe program (tests/wine/apps/probe.cpp) reads the windows from
# outside.
#   scripts/wine-real-apps.sh [--arch win32|win64] [--probe probe.exe]
#                             [--hook QuillmereHook.dll] [--program quillmere.exe]
#                             [--python DIR] [--out DIR]
# --arch is the architecture of the prefix, the program, the hook library,
# the probe, the bridge and Wine's programs (default win64). What is not
# given is built in build-windows64/ or build-windows/: the program is the
# Windows one (PE), and it finds DIR (default: the test bridge python3.dll
# of that build tree, tests/wine/bridge/) registered as the InstallPath of
# Python 3.11. OUT (default <build>/tests/wine/wine-real-apps) receives the
# logs, the program's settings file and the screenshots.
# Exit status: 0 when every check holds, 1 when one fails, 77 when a tool
# is missing (1 under CI=true) or the machine runs no 32-bit code (one line
# says so).
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
arch=win64 probe_exe= hook= program= python= out=
while [ $# -gt 0 ]; do
  case $1 in
    --arch) arch=$2; shift 2 ;;
    --probe) probe_exe=$2; shift 2 ;;
    --hook) hook=$2; shift 2 ;;
    --program) program=$2; shift 2 ;;
    --python) python=$2; shift 2 ;;
    --out) out=$2; shift 2 ;;
    *) echo "usage: $0 [--arch win32|win64] [--probe EXE] [--hook DLL] [--program EXE] [--python DIR]" \
            "[--out DIR]" >&2; exit 2 ;;
  esac
done
. "$top/scripts/wine-session.sh"
wine_session_check "$arch"
started=$(date +%s)

if [ -z "$probe_exe" ] || [ -z "$hook" ] || [ -z "$program" ] || [ -z "$python" ]; then
  wine_session_build "$arch" quillmere_probe QuillmereHook quillmere python3_bridge || exit 1
  probe_exe=${probe_exe:-$b/tests/wine/probe.exe} hook=${hook:-$b/hook/QuillmereHook.dll}
  program=${program:-$b/program/quillmere.exe} python=${python:-$b/tests/wine/bridge}
fi
out=${out:-$(dirname "$probe_exe")/wine-real-apps}
mkdir -p "$out"
out=$(cd "$out" && pwd)
work=$out/run
rm -rf "$work" "$out"/*.png
mkdir -p "$work"
wine_session_start "$arch" "$out" || exit 1
wine_register_python "$python"
echo "prefix ready after $(( $(date +%s) - started )) s (display $DISPLAY)"

cp "$program" "$hook" "$probe_exe" "$work/"
cd "$work" || exit 1
# The main window sits below Notepad, clear of the other windows.
cat >quillmere.ini <<'INI'
[Window]
Left=20
Top=400
Width=420
Height=340
ShowTrayIcon=false
StartMinimize=false

[Path]
FilterPath=real_apps.py
INI
NOTEPAD="Untitled - Notepad" REGEDIT="Registry Editor" WINEMINE="WineMine" PROGRAM="Quillmere v1.02"
rolling_script real_apps.py "$NOTEPAD" "$REGEDIT" "$WINEMINE"
# Where Notepad and WineMine open (the Registry Editor keeps no position and
# is placed by the probe).
cat >positions.reg <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Microsoft\Notepad]
"iWindowPosX"=dword:00000014
"iWindowPosY"=dword:0000003c
"iWindowPosDX"=dword:000001a4
"iWindowPosDY"=dword:0000012c

[HKEY_CURRENT_USER\Software\Microsoft\WinMine]
"Xpos"=dword:000002bc
"Ypos"=dword:00000000
REG
"$WINE" regedit /s positions.reg

failures=0
check() {  # check DESCRIPTION CONDITION-STATUS [DETAIL]
  if [ "$2" -eq 0 ]; then echo "PASS  $1"; else echo "FAIL  $1${3:+ ($3)}"; failures=$((failures + 1)); fi
}

probe_start ./probe.exe
declare -A saved

"$WINE" notepad >notepad.log 2>&1 </dev/null &
"$WINE" regedit >regedit.log 2>&1 </dev/null &
"$WINE" winemine >winemine.log 2>&1 </dev/null &
for app in "$NOTEPAD" "$REGEDIT" "$WINEMINE"; do
  wait_for "$app" true
  check "$app has opened" $? "$answer"
done
probe "move 460 260 1000 660 $REGEDIT"
for app in "$NOTEPAD" "$REGEDIT" "$WINEMINE"; do
  wait_for "$app" true
  saved[$app]="$left $top $right $bottom $style"
  echo "$app: rect $left $top $right $bottom, style $style"
done

"$WINE" ./quillmere.exe >program.log 2>&1 </dev/null &
program_pid=$!
for _ in $(seq 300); do
  probe "logtext $PROGRAM"
  [[ $answer == *"managing $WINEMINE"* ]] && break
  sleep 0.1
done
[[ $answer == *"managing $NOTEPAD"* && $answer == *"managing $REGEDIT"* && $answer == *"managing $WINEMINE"* ]]
check "the program starts and its script manages the three applications" $? "$answer"
probe metrics
read -r _ caption mintrack <<<"$answer"
rolled=$(( caption > mintrack ? caption : mintrack ))
echo "metrics: caption $caption, minimum tracking height $mintrack; a rolled-up window is $rolled high"
import -window root "$out/1-started.png"
# The log view just before the first click, for the calm-start check below.
sleep 1
probe "logtext $PROGRAM"
log_before_click=$answer

# From Notepad to the Registry Editor: Notepad rolls up.
click "$NOTEPAD"
wait_for "$NOTEPAD" 'is_saved "$NOTEPAD"'
check "Notepad is down with its rectangle and style after a click on its caption bar" $? "$answer"
click "$REGEDIT"
wait_for "$NOTEPAD" '[ $height = $rolled ] && ! thick'
check "a click from Notepad to the Registry Editor rolls Notepad up without its sizing frame" $? "$answer"
np=(${saved[$NOTEPAD]})
[ "$left $top $right" = "${np[0]} ${np[1]} ${np[2]}" ]
check "rolled up, Notepad keeps its left, top and width" $? "$answer"
# It may have been rolled up by an earlier focus change; the
# program gives back the size first and then the style.
wait_for "$REGEDIT" 'is_saved "$REGEDIT"'
check "the Registry Editor, focused, is down with its rectangle and style" $? "$answer"
sleep 0.5
import -window root "$out/2-notepad-rolled-up.png"

# From the Registry Editor to WineMine: the Registry Editor rolls up, Notepad stays up.
click "$WINEMINE"
wait_for "$REGEDIT" '[ $height = $rolled ] && ! thick'
check "a click on WineMine rolls the Registry Editor up" $? "$answer"
window "$NOTEPAD"
[ "$height" = "$rolled" ]
check "Notepad stays rolled up" $? "$answer"

# A click on Notepad's rolled-up caption bar: Notepad comes down exactly, WineMine rolls up.
click "$NOTEPAD"
wait_for "$NOTEPAD" 'is_saved "$NOTEPAD"'
check "a click on Notepad's rolled-up caption bar rolls it down to its exact rectangle and style" $? "$answer"
wait_for "$WINEMINE" '[ $height = $rolled ]'
check "WineMine rolls up when Notepad takes the focus" $? "$answer"
sleep 0.5
import -window root "$out/3-notepad-rolled-down.png"

log_shows "rolled up $NOTEPAD" "rolled up $REGEDIT" "rolled down $NOTEPAD" "rolled up $WINEMINE"

# Closing the program gives every window back.
close_program "$NOTEPAD" "$REGEDIT" "$WINEMINE"
sleep 0.5
import -window root "$out/4-program-closed.png"

trouble='unhandled exception|page fault|err:seh|Traceback'
! grep -qiE "$trouble" ./*.log
check "no crash and no script error in the logs" $? "$(grep -hiE "$trouble" ./*.log | head -3)"

# A calm start: the program's window took the focus from the application
# that had it, and the three were offered to the script only afterwards;
# those focus changes roll nothing, so the log holds no roll-up or
# roll-down before the first click.
[[ $log_before_click == *"managing $WINEMINE"* && $log_before_click != *"rolled "* ]]
check "the log shows no roll-up or roll-down before the first click" $? "$log_before_click"

cp quillmere.ini ./*.log "$out/" 2>/dev/null
echo "screenshots: $(ls "$out"/*.png | tr '\n' ' ')"
echo "$failures failed; $(( $(date +%s) - started )) s"
[ $failures -eq 0 ]
