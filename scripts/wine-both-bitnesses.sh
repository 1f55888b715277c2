#!/usr/bin/env bash
# The 64-bit program with its 32-bit helper under Wine, on applications of
# both bitnesses in one WINEARCH=win64 prefix: Wine's 32-bit Notepad
# (syswow64\notepad.exe) and 64-bit Notepad (system32\notepad.exe), and our
# own application (tests/wine/apps/selfshade.cpp, left alone: "passive") of
# the i686 and of the x86_64 build. The focus moves by real mouse clicks
# through the X server on the caption bars; a 64-bit probe
# (tests/wine/apps/probe.cpp) reads the windows and the process list.
#   scripts/wine-both-bitnesses.sh [--release DIR] [--python DIR] [--out DIR]
# DIR of --release is the unzipped win64 release (its quillmere.exe,
# quillmere32.exe, QuillmereHook.dll and QuillmereHook32.dll); without it
# they are those of build-windows64/ and build-windows/. The probe, the
# applications and the test bridge python3.dll (default: that of
# build-windows64/, registered as the InstallPath of Python 3.11) come from
# the build trees, built here if need be. OUT (default
# build-windows64/tests/wine/wine-both-bitnesses) receives the logs, the
# settings file and the screenshots.
# It checks that a 32-bit window rolls up when it loses the focus to a
# 64-bit one and the other way round, that both roll down to their exact
# rectangle and style, that closing the program gives every window back
# and ends the helper, that starting it again covers both kinds again, and
# that killing the program's Wine process ends the helper within a second.
# Exit status: 0 when every check holds, 1 when one fails, 77 when the
# machine runs no 32-bit code (one line says so) or a tool is missing (1
# under CI=true).
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
release= python= out=
while [ $# -gt 0 ]; do
  case $1 in
    --release) release=$2; shift 2 ;;
    --python) python=$2; shift 2 ;;
    --out) out=$2; shift 2 ;;
    *) echo "usage: $0 [--release DIR] [--python DIR] [--out DIR]" >&2; exit 2 ;;
  esac
done
. "$top/scripts/wine-session.sh"
wine_session_check win32
wine_session_check win64
started=$(date +%s)

# The binaries: the program's four from the release or the build trees,
# the rest from the build trees.
targets64=(quillmere_probe quillmere_selfshade python3_bridge) targets32=(quillmere_selfshade)
[ -n "$release" ] || { targets64+=(quillmere QuillmereHook); targets32+=(quillmere32 QuillmereHook32); }
wine_session_build win32 "${targets32[@]}" || exit 1
b32=$b
wine_session_build win64 "${targets64[@]}" || exit 1
b64=$b
if [ -n "$release" ]; then
  shipped=("$release/quillmere.exe" "$release/QuillmereHook.dll" "$release/quillmere32.exe"
           "$release/QuillmereHook32.dll")
else
  shipped=("$b64/program/quillmere.exe" "$b64/program/QuillmereHook.dll" "$b32/program/quillmere32.exe"
           "$b32/program/QuillmereHook32.dll")
fi
python=${python:-$b64/tests/wine/bridge}
for file in "${shipped[@]}"; do
  [ -f "$file" ] || { echo "$(basename "$0"): $file is missing" >&2; exit 1; }
done
for i in 0 1 2 3; do
  expected=win64
  [ "$i" -lt 2 ] || expected=win32
  [ "$(wine_pe_arch "${shipped[$i]}")" = "$expected" ] ||
    { echo "$(basename "$0"): ${shipped[$i]} is not $expected" >&2; exit 1; }
done

out=${out:-$b64/tests/wine/wine-both-bitnesses}
mkdir -p "$out"
out=$(cd "$out" && pwd)
work=$out/run
rm -rf "$work" "$out"/*.png
mkdir -p "$work"
wine_session_start win64 "$out" || exit 1
# 32-bit programs run on the 32-bit loader in the same prefix.
WINE32=/usr/lib/wine/wine
wine_register_python "$python"
echo "prefix ready after $(( $(date +%s) - started )) s (display $DISPLAY)"
[ -f "$WINEPREFIX/drive_c/windows/syswow64/notepad.exe" ] ||
  { echo "$(basename "$0"): the prefix has no syswow64\\notepad.exe: it is not a 64-bit prefix with 32-bit support" >&2
    exit 1; }

cp "${shipped[@]}" "$b64/tests/wine/probe.exe" "$work/"
cp "$b64/tests/wine/selfshade.exe" "$work/selfshade64.exe"
cp "$b32/tests/wine/selfshade.exe" "$work/selfshade32.exe"
cd "$work" || exit 1
NOTEPAD32="notepad32.txt - Notepad" NOTEPAD64="notepad64.txt - Notepad" APP32="App 32" APP64="App 64"
PROGRAM="Quillmere v1.02" HELPER=quillmere32.exe
ALL=("$NOTEPAD32" "$NOTEPAD64" "$APP32" "$APP64")
# The four applications side by side in two rows, the program's window below.
declare -A place=(["$NOTEPAD32"]="20 40 500 300" ["$NOTEPAD64"]="520 40 1000 300"
                  ["$APP32"]="20 330 500 590" ["$APP64"]="520 330 1000 590")
declare -A bits=(["$NOTEPAD32"]=32 ["$NOTEPAD64"]=64 ["$APP32"]=32 ["$APP64"]=64)
cat >quillmere.ini <<'INI'
[Window]
Left=20
Top=610
Width=600
Height=150
ShowTrayIcon=false
StartMinimize=false

[Path]
FilterPath=both_bitnesses.py
INI
rolling_script both_bitnesses.py "${ALL[@]}"
: >notepad32.txt
: >notepad64.txt

failures=0
check() {  # check DESCRIPTION CONDITION-STATUS [DETAIL]
  if [ "$2" -eq 0 ]; then echo "PASS  $1"; else echo "FAIL  $1${3:+ ($3)}"; failures=$((failures + 1)); fi
}
shot() { sleep 0.5; import -window root "$out/$1.png"; }
probe_start ./probe.exe
declare -A saved
rolled_up() { [ "$height" = "$rolled" ] && ! thick; }

"$WINE32" 'C:\windows\syswow64\notepad.exe' notepad32.txt >notepad32.log 2>&1 </dev/null &
"$WINE" 'C:\windows\system32\notepad.exe' notepad64.txt >notepad64.log 2>&1 </dev/null &
"$WINE32" ./selfshade32.exe "$APP32" ${place[$APP32]} passive >app32.log 2>&1 </dev/null &
"$WINE" ./selfshade64.exe "$APP64" ${place[$APP64]} passive >app64.log 2>&1 </dev/null &
for app in "${ALL[@]}"; do
  wait_for "$app" true
  check "$app has opened" $? "$answer"
  probe "bits $app"
  [ "$answer" = "bits ${bits[$app]}" ]
  check "$app runs in a ${bits[$app]}-bit process" $? "$answer"
done
for app in "$NOTEPAD32" "$NOTEPAD64"; do probe "move ${place[$app]} $app"; done
for app in "${ALL[@]}"; do
  wait_for "$app" '[ "$left $top $right $bottom" = "${place[$app]}" ]'
  saved[$app]="$left $top $right $bottom $style"
  echo "$app: rect $left $top $right $bottom, style $style"
done
probe metrics
read -r _ caption mintrack <<<"$answer"
rolled=$(( caption > mintrack ? caption : mintrack ))
echo "metrics: caption $caption, minimum tracking height $mintrack; a rolled-up window is $rolled high"

program_pid=
# start_program: starts quillmere.exe and waits until its script manages
# the four windows and its helper runs.
start_program() {
  "$WINE" ./quillmere.exe >>program.log 2>&1 </dev/null &
  program_pid=$!
  for _ in $(seq 300); do
    probe "logtext $PROGRAM"
    [[ $answer == *"managing $APP64"* && $answer == *"managing $APP32"* ]] && break
    sleep 0.1
  done
  local managed=0 app
  for app in "${ALL[@]}"; do [[ $answer == *"managing $app"* ]] || managed=1; done
  check "the program starts and its script manages the four applications" $managed "$answer"
  for _ in $(seq 100); do
    probe "processes $HELPER"
    [[ $answer == "processes 1 "* ]] && break
    sleep 0.1
  done
  [[ $answer == "processes 1 "* ]]
  check "one $HELPER runs beside the program" $? "$answer"
  probe "logtext $PROGRAM"
  [[ $answer != *"not covered"* && $answer != *"helper ended"* ]]
  check "the log does not say that 32-bit applications are not covered" $? "$answer"
}
# hand_over FROM TO: a click on TO's caption bar takes the focus from FROM,
# which rolls up; TO is down at its own rectangle and style.
hand_over() {
  local from=$1 to=$2
  click "$to"
  wait_for "$from" rolled_up
  check "a click from $from (${bits[$from]}-bit) to $to (${bits[$to]}-bit) rolls $from up without its sizing frame" \
    $? "$answer"
  local was=(${saved[$from]})
  [ "$left $top $right" = "${was[0]} ${was[1]} ${was[2]}" ]
  check "rolled up, $from keeps its left, top and width" $? "$answer"
  wait_for "$to" 'is_saved "$to"'
  check "$to, focused, is down at its exact rectangle and style" $? "$answer, was ${saved[$to]}"
}

# The helper does not run on its own. Started by hand it says so in a
# message box and, once that is closed, ends with its exit code for a
# refused start (5); with arguments that name no running program's process
# and main window it ends at once with that code, without a window.
"$WINE32" ./quillmere32.exe >>helper-alone.log 2>&1 </dev/null &
alone_pid=$!
box=
for _ in $(seq 300); do
  probe "dismiss Quillmere"
  [[ $answer == dismissed* ]] && { box=$answer; break; }
  sleep 0.1
done
[[ $box == *"does not run on its own"* ]]
check "$HELPER started by hand says in a message box that it does not run on its own" $? "${box:-no message box}"
exited=1
for _ in $(seq 100); do kill -0 "$alone_pid" 2>/dev/null || { exited=0; break; }; sleep 0.1; done
check "$HELPER ends once its message box is closed" $exited
[ $exited -eq 0 ] || kill -KILL "$alone_pid" 2>/dev/null
wait "$alone_pid"
status=$?
check "$HELPER started by hand ends with exit code 5" "$([ $status = 5 ]; echo $?)" "status $status"
for arguments in "1 2" "$$ 65540"; do
  timeout 60 "$WINE32" ./quillmere32.exe $arguments >>helper-alone.log 2>&1 </dev/null
  status=$?
  check "$HELPER started with the arguments '$arguments' ends at once with exit code 5" \
    "$([ $status = 5 ]; echo $?)" "status $status"
done
probe "processes $HELPER"
[ "$answer" = "processes 0" ]
check "no $HELPER is left running" $? "$answer"

start_program
shot 1-started
click "$NOTEPAD32"
wait_for "$NOTEPAD32" 'is_saved "$NOTEPAD32"'
check "the 32-bit Notepad is down with its rectangle and style after a click on its caption bar" $? "$answer"
hand_over "$NOTEPAD32" "$NOTEPAD64"
shot 2-notepad32-rolled-up-by-notepad64
hand_over "$NOTEPAD64" "$APP32"
window "$NOTEPAD32"
[ "$height" = "$rolled" ]
check "the 32-bit Notepad stays rolled up" $? "$answer"
shot 3-notepad64-rolled-up-by-app32
hand_over "$APP32" "$APP64"
# Each rolled-up window comes down exactly when its caption bar is clicked.
hand_over "$APP64" "$NOTEPAD32"
hand_over "$NOTEPAD32" "$NOTEPAD64"
hand_over "$NOTEPAD64" "$APP32"
hand_over "$APP32" "$APP64"
shot 4-rolled-down-exactly

log_shows "rolled up $NOTEPAD32" "rolled up $NOTEPAD64" "rolled up $APP32" "rolled up $APP64" \
          "rolled down $NOTEPAD32" "rolled down $NOTEPAD64" "rolled down $APP32" "rolled down $APP64"

# Closing the program gives every window back and ends the helper.
close_program "${ALL[@]}"
probe "waitgone 5000 $HELPER"
[[ $answer == "gone at "* ]]
check "closing the program ends $HELPER" $? "$answer"
shot 5-program-closed

# Started again, the program covers both kinds again.
start_program
click "$NOTEPAD32"
wait_for "$NOTEPAD32" 'is_saved "$NOTEPAD32"'
check "after the new start the 32-bit Notepad is down and focused" $? "$answer"
hand_over "$NOTEPAD32" "$APP64"
hand_over "$APP64" "$APP32"
shot 6-started-again

# Killing the program's Wine process ends the helper within a second (it
# waits on the program's process).
probe "processes $HELPER"
[[ $answer == "processes 1 "* ]]
check "$HELPER runs just before the program is killed" $? "$answer"
probe now
killed_at=${answer#now }
kill -KILL "$program_pid"
wait "$program_pid" 2>/dev/null
probe "waitgone 5000 quillmere.exe"
[[ $answer == "gone at "* ]]
check "the killed program's process is gone" $? "$answer"
probe "waitgone 5000 $HELPER"
helper_answer=$answer
if [[ $helper_answer == "gone at "* ]]; then
  took=$(( (${helper_answer#gone at } - killed_at) / 1000 ))
  echo "the helper ended $took ms after the program was killed"
  [ "$took" -le 1000 ]
  check "killing the program ends $HELPER within a second" $? "$took ms"
else
  check "killing the program ends $HELPER within a second" 1 "$helper_answer after 5 s"
fi
shot 7-program-killed

trouble='unhandled exception|page fault|err:seh|Traceback'
! grep -qiE "$trouble" ./*.log
check "no crash and no script error in the logs" $? "$(grep -hiE "$trouble" ./*.log | head -3)"

cp quillmere.ini ./*.log "$out/" 2>/dev/null
echo "screenshots: $(ls "$out"/*.png | tr '\n' ' ')"
echo "$failures failed; $(( $(date +%s) - started )) s"
[ $failures -eq 0 ]
