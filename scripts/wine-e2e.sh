#!/usr/bin/env bash
# The whole system end to end under Wine: the Windows program (PE, the one
# that ships) with the mingw-built hook library, on a fresh prefix with the
# virtual desktop on Xvfb, and three test applications
# (tests/wine/apps/testapp.cpp), each its own process, that move the
# keyboard focus and report their windows from their own side.
#   scripts/wine-e2e.sh [--install] [--arch win32|win64] [--testapp testapp.exe]
#                       [--hook QuillmereHook.dll] [--program quillmere.exe]
#                       [--python DIR] [--out DIR]
# --install first installs the Debian packages it needs (apt-get).
# --arch is the architecture of the prefix, the program, the hook library,
# the test applications and the bridge (default win64; win32 needs a
# machine that runs 32-bit x86 code).
# Without --testapp/--hook/--program it builds them in build-windows64/
# (mingw x86_64) or build-windows/ (mingw i686); --program may also be the
# quillmere.exe of a release zip. The program finds Python through the
# registry: first with no Python registered, where it must show its message
# box, end with exit code 2 and leave quillmere.ini alone, then with DIR
# (default: the test bridge python3.dll of the same build tree,
# tests/wine/bridge/) registered as the InstallPath of Python 3.11 in the
# prefix.
# OUT (default <build>/tests/wine/wine-e2e) receives the logs,
# the final settings file and the screenshots before.png and after.png, and
# menu-en.png and menu-ja.png, the File menu in English and in Japanese.
# Exit status: 0 when every check holds, 1 when one fails, 77 when Wine,
# Xvfb or the cross tools are missing (1 under CI=true), or when the machine
# runs no 32-bit code (one line says so).
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
testapp= hook= program= python= out= install= arch=win64
while [ $# -gt 0 ]; do
  case $1 in
    --install) install=1; shift ;;
    --arch) arch=$2; shift 2 ;;
    --testapp) testapp=$2; shift 2 ;;
    --hook) hook=$2; shift 2 ;;
    --program) program=$2; shift 2 ;;
    --python) python=$2; shift 2 ;;
    --out) out=$2; shift 2 ;;
    *) echo "usage: $0 [--install] [--arch win32|win64] [--testapp EXE] [--hook DLL]" \
            "[--program EXE] [--python DIR] [--out DIR]" >&2; exit 2 ;;
  esac
done

. "$top/scripts/wine-env.sh"
wine_check_arch "$arch"
if [ -n "$install" ]; then
  "$top/scripts/install-packages.sh" "${wine_packages[@]}" || exit 1
  if [ "$arch" = win32 ]; then
    "$top/scripts/install-packages.sh" "${wine_packages_32bit[@]}" g++-mingw-w64-i686 binutils-mingw-w64-i686 || exit 1
  fi
fi
case $arch in
  win64) loader=/usr/lib/wine/wine64 cross=x86_64-w64-mingw32-g++-posix b=$top/build-windows64 toolchain=mingw-x86_64 ;;
  win32) loader=/usr/lib/wine/wine cross=i686-w64-mingw32-g++-posix b=$top/build-windows toolchain=mingw-i686 ;;
esac
wine_require "$loader" wineserver Xvfb import
started=$(date +%s)

targets=()
[ -n "$testapp" ] || targets+=(quillmere_testapp)
[ -n "$hook" ] || targets+=(QuillmereHook)
[ -n "$program" ] || targets+=(quillmere)
[ -n "$python" ] || targets+=(python3_bridge)
if [ ${#targets[@]} -gt 0 ]; then
  wine_require "$cross" winegcc
  if [ ! -f "$b/build.ninja" ]; then
    cmake -G Ninja -S "$top" -B "$b" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/$toolchain.cmake" >/dev/null || exit 1
  fi
  cmake --build "$b" --target "${targets[@]}" >/dev/null || exit 1
fi
testapp=${testapp:-$b/tests/wine/testapp.exe}
hook=${hook:-$b/hook/QuillmereHook.dll}
program=${program:-$b/program/quillmere.exe}
python=${python:-$b/tests/wine/bridge}
out=${out:-$b/tests/wine/wine-e2e}
mkdir -p "$out"
out=$(cd "$out" && pwd)
for f in "$testapp" "$hook" "$program" "$python/python3.dll"; do
  [ -f "$f" ] || { echo "wine-e2e: $f is missing" >&2; exit 1; }
done
for f in "$testapp" "$hook" "$program"; do
  [ "$(wine_pe_arch "$f")" = "$arch" ] || { echo "wine-e2e: $f is not a $arch program" >&2; exit 1; }
done

# A fresh prefix, a display of its own and a fresh working directory for
# every run.
work=$out/run
rm -rf "$work" "$out"/*.png
mkdir -p "$work"
. "$top/scripts/wine-session.sh"
wine_session_start "$arch" "$out" || exit 1
echo "prefix ready after $(( $(date +%s) - started )) s (display $DISPLAY)"

cp "$program" "$work/quillmere.exe"
program_command=./quillmere.exe
cp "$hook" "$testapp" "$work/"
cat >"$work/quillmere.ini" <<'INI'
[Window]
;kept when the program rewrites the file
Left=100
Top=100
Width=640
Height=480
ShowTrayIcon=false
StartMinimize=false

[Path]
FilterPath=e2e_script.py
INI
# Both scripts of the run roll windows up and down with these handlers.
rolling_handlers='
def every_window(hwnd, title, classname):
    return True

def on_shade(hwnd, title, classname):
    Quillmere.doShadeWindow(hwnd, 1)
    return True

def on_unshade(hwnd, title, classname):
    Quillmere.doShadeWindow(hwnd, 0)
    return True'
cat >"$work/e2e_script.py" <<'PY'
# Rolls every managed window up when it loses the focus to another
# application; never manages windows whose title holds "Veto". The trace
# file is for the reader of a failed run.
import Quillmere

# A character beyond the Basic Multilingual Plane: two UTF-16 units on the
# program's side.
Quillmere.log("smile \U0001F600 ok")

def trace(text):
    with open("script.trace", "a") as f:
        f.write(text + "\n")

def on_add(hwnd, title, classname):
    if classname == "QuillmereMainWindow":
        return False
    if "Veto" in title:
        trace("vetoed %s" % title)
        return False
    trace("managing %r %s" % (title, classname))
    return True

def after_shade(hwnd, title, classname):
    trace("rolled up %s" % title)

def after_unshade(hwnd, title, classname):
    trace("rolled down %s" % title)

def on_destroy(hwnd, title, classname):
    trace("closed %d" % hwnd)

def configure():
    return ([every_window], on_add, on_destroy, on_shade, on_unshade, after_unshade, after_shade)
PY
echo "$rolling_handlers" >>"$work/e2e_script.py"
cd "$work" || exit 1

failures=0
check() {  # check DESCRIPTION CONDITION-STATUS [DETAIL]
  if [ "$2" -eq 0 ]; then echo "PASS  $1"; else echo "FAIL  $1${3:+ ($3)}"; failures=$((failures + 1)); fi
}

declare -A pid sent
start_app() {  # start_app NAME TITLE L T R B
  : >"$1.cmd"
  "$WINE" ./testapp.exe "$@" >"$1.log" 2>&1 </dev/null &
  pid[$1]=$!
  sent[$1]=0
  for _ in $(seq 300); do grep -q '^0 ready' "$1.out" 2>/dev/null && return 0; sleep 0.1; done
  echo "wine-e2e: $1 did not start" >&2
  return 1
}

# ask APP COMMAND: sends a command, waits for its answer, leaves it in $answer.
ask() {
  local n=$((sent[$1] + 1))
  sent[$1]=$n
  echo "$2" >>"$1.cmd"
  answer=
  for _ in $(seq 150); do
    answer=$(sed -n "s/^$n //p" "$1.out" 2>/dev/null)
    [ -n "$answer" ] && return 0
    sleep 0.1
  done
  answer="no answer to '$2'"
  return 1
}

# report APP WINDOW: sets left top right bottom height style exstyle visible.
report() {
  ask "$1" "report $2"
  read -r _ left top right bottom _ style _ exstyle _ visible _ hwnd <<<"$answer"
  height=$((bottom - top))
}
thick() { (( style & 0x00040000 )); }

# wait_height APP WINDOW H [CONDITION]: polls until the window is H high and
# CONDITION (a shell command on the report's fields) holds, 10 s at most.
# The program changes the size and then the style, so both are awaited.
wait_height() {
  for _ in $(seq 50); do
    report "$1" "$2"
    [ "$height" = "$3" ] && eval "${4:-true}" && return 0
    sleep 0.2
  done
  return 1
}
settle() { sleep 1.5; }

# program_ends PID TENTHS ENDED-CHECK STATUS-CHECK STATUS: checks that the
# program ends within TENTHS tenths of a second, and with exit status STATUS.
# A program still there then is killed, so that a hung program fails the run
# instead of holding it.
program_ends() {
  local exited=1 status
  for _ in $(seq "$2"); do kill -0 "$1" 2>/dev/null || { exited=0; break; }; sleep 0.1; done
  check "$3" $exited
  [ $exited = 0 ] || kill -KILL "$1" 2>/dev/null
  wait "$1"
  status=$?
  check "$4" "$([ $status = "$5" ]; echo $?)" "status $status"
}

start_app alpha Alpha 50 50 450 350 || exit 1

# 0. No Python registered: the program says what it needs and ends with
#    exit code 2, leaving the settings file as it was.
# refused_start NAME TEXT STATUS WHAT: starts the program, which must
# show a message box holding TEXT and, once it is closed, end with STATUS.
refused_start() {
  local box= started
  "$WINE" $program_command >"$1.out" 2>&1 </dev/null &
  started=$!
  for _ in $(seq 300); do
    ask alpha messagebox
    case $answer in messagebox*) box=$answer; break ;; esac
    sleep 0.1
  done
  ask alpha dismissbox
  grep -q "$2" <<<"$box"
  check "$4: the program says so in a message box" $? "${box:-no message box}"
  program_ends "$started" 100 "$4: the program ends once the message box is closed" \
    "$4: the exit status is $3" "$3"
}
cp quillmere.ini quillmere.ini.before
refused_start nopython "needs Python 3.10 or newer of the same bitness" 2 "without Python"

# A newer "Python" whose python3.dll lacks the program's functions (any
# other module under that name, here the test application): the message
# names one, exit code 3.
mkdir -p lacking && cp "$testapp" lacking/python3.dll
core='HKCU\Software\Python\PythonCore'
wine_register_python lacking 3.12
refused_start lacking "lacks the function Py" 3 "with a Python lacking a function the program calls"
"$WINE" reg delete "$core\\3.12" /f >/dev/null 2>&1
cmp -s quillmere.ini quillmere.ini.before && [ ! -e script.trace ]
check "without a usable Python quillmere.ini is left as it was and the script does not run" $?
rm -f quillmere.ini.before
# Python 3.11 "installed": the bridge's folder registered as PEP 514 says.
wine_register_python "$python" || exit 1

"$WINE" $program_command >program.log 2>&1 </dev/null &
program_pid=$!
# The program shows its main window, then moves it to the rectangle of the
# settings file, then runs the script and takes in the windows already
# there (the script's trace tells when Alpha has been seen).
program_up=1
for _ in $(seq 300); do
  ask alpha program
  case $answer in "rect 100 100 740 580 "*"visible 1 "*) program_up=0; break ;; esac
  sleep 0.1
done
check "the program shows its main window at the rectangle of quillmere.ini (100,100 640x480)" $program_up "$answer"
for _ in $(seq 300); do grep -q "managing 'Alpha'" script.trace 2>/dev/null && break; sleep 0.1; done
sleep 0.5
ask alpha programlog
grep -q "smile 😀 ok|" <<<"$answer"
check "the log view shows the script's non-BMP character intact" $? "$answer"

start_app bravo Bravo 500 50 900 350 || exit 1
start_app charlie "Veto Charlie" 300 400 700 700 || exit 1

ask alpha metrics
read -r _ caption mintrack <<<"$answer"
rolled=$(( caption > mintrack ? caption : mintrack ))
echo "metrics: caption $caption, minimum tracking height $mintrack; a rolled-up window is $rolled high"

ask alpha "focus main"
wait_height alpha main 300 thick
check "Alpha is down while it has the focus, with WS_THICKFRAME" $? "height $height style $style"
alpha_rect="$left $top $right $bottom" alpha_style=$style
[ "$alpha_rect" = "50 50 450 350" ]
check "Alpha's own GetWindowRect is the rectangle it asked for" $? "$alpha_rect"
settle
import -window root "$out/before.png"

# 1. The focus leaves Alpha for another application: Alpha rolls up.
ask bravo "focus main"
wait_height alpha main "$rolled" '! thick'
check "Alpha rolls up when the focus leaves for Bravo (height $rolled)" $? "height $height"
[ "$left $top $right" = "50 50 450" ]
check "Alpha keeps its left, top and width when rolled up" $? "$left $top $right $bottom"
! thick
check "Alpha has no WS_THICKFRAME while rolled up" $? "style $style"
wait_height bravo main 300 thick
check "Bravo, now focused, is down, with WS_THICKFRAME" $? "height $height style $style"
bravo_style=$style
import -window root "$out/after.png"

# 2. The focus comes back: Alpha rolls down, Bravo up.
ask alpha "focus main"
wait_height alpha main 300 '[ "$style" = "$alpha_style" ]'
check "Alpha rolls down when the focus returns" $? "height $height"
[ "$left $top $right $bottom" = "$alpha_rect" ] && [ "$style" = "$alpha_style" ]
check "Alpha has its rectangle and style back (WS_THICKFRAME included)" $? "$left $top $right $bottom style $style"
wait_height bravo main "$rolled" '! thick'
check "Bravo rolls up when the focus leaves for Alpha" $? "height $height"

# 3. An owned dialog takes the focus inside Alpha's process: no roll-up.
ask alpha dialog
check "Alpha opens an owned dialog that takes the focus" "$([ "$answer" = "dialog focused" ]; echo $?)" "$answer"
settle
report alpha main
[ "$height" = 300 ] && thick
check "the owned dialog does not shade its owner" $? "height $height style $style"
report alpha dialog
[ "$height" = 120 ]
check "the owned dialog itself is not rolled up" $? "height $height"
echo "owned dialog: handle $hwnd"
ask alpha closedialog
ask alpha "focus main"

# 4. A script veto holds: Charlie (onAdd said False) never rolls up.
ask charlie "focus main"
wait_height alpha main "$rolled" '! thick'
check "Alpha rolls up when the focus leaves for Charlie" $? "height $height"
ask bravo "focus main"
wait_height bravo main 300 '[ "$style" = "$bravo_style" ]'
check "Bravo rolls down when it gets the focus back" $? "height $height"
settle
report charlie main
[ "$height" = 300 ] && thick
check "Charlie, vetoed by onAdd, stays down after losing the focus" $? "height $height style $style"

# 5. Two windows rolled up, then the program closes: both come down, and
#    quillmere.ini gets the main window's rectangle.
ask charlie "focus main"
wait_height bravo main "$rolled" '! thick'
check "Bravo rolls up when the focus leaves for Charlie" $? "height $height"
report alpha main
check "Alpha is still rolled up" "$([ "$height" = "$rolled" ]; echo $?)" "height $height"
ask charlie "moveprogram 150 120 600 400"
ask charlie program
read -r _ pl pt pr pb _ <<<"$answer"
check "the main window was moved to 150,120 600x400 (SetWindowPos from another process)" \
  "$([ "$pl $pt $pr $pb" = "150 120 750 520" ]; echo $?)" "$pl $pt $pr $pb"
ask charlie closeprogram
program_ends "$program_pid" 200 "the program ends after WM_CLOSE to its main window" "the program's exit status is 0" 0
wait_height alpha main 300 '[ "$left $top $right $bottom" = "$alpha_rect" ] && [ "$style" = "$alpha_style" ]'
check "closing the program rolled Alpha down (rectangle and style)" $? "$left $top $right $bottom style $style"
wait_height bravo main 300 '[ "$left $top $right $bottom" = "500 50 900 350" ] && [ "$style" = "$bravo_style" ]'
check "closing the program rolled Bravo down (rectangle and style)" $? "$left $top $right $bottom style $style"
cp quillmere.ini "$out/quillmere.ini"
ini=$(tr -d '\r' <quillmere.ini)
grep -qx 'Left=150' <<<"$ini" && grep -qx 'Top=120' <<<"$ini" && grep -qx 'Width=600' <<<"$ini" &&
  grep -qx 'Height=400' <<<"$ini"
check "quillmere.ini holds the main window's rectangle (150, 120, 600, 400)" $? "$(tr '\n' ' ' <<<"$ini")"
grep -qx ';kept when the program rewrites the file' <<<"$ini" && grep -qx 'FilterPath=e2e_script.py' <<<"$ini"
check "quillmere.ini keeps its comment and FilterPath" $?

# 6. A script thread reads the program's own main window without pause
#    while the focus moves between Alpha and Bravo. Reading the title of a
#    window of another thread of the process sends it a message and waits:
#    the program must keep the interpreter lock free meanwhile, keep rolling
#    windows up and down, and end on WM_CLOSE with the thread still reading.
cat >reader_script.py <<'PY'
# Manages Alpha and Bravo; a thread reads the main window's properties in a
# loop and logs every half second how many reads it has made.
import threading, time, Quillmere

def reader(main):
    reads, logged = 0, time.monotonic()
    while True:
        title = Quillmere.getWindowProperty(main)["title"]
        reads += 1
        if time.monotonic() - logged >= 0.5:
            Quillmere.log("reader: %d reads of %s" % (reads, title))
            logged = time.monotonic()

def on_add(hwnd, title, classname):
    if classname == "QuillmereMainWindow":
        threading.Thread(target=reader, args=(hwnd,), daemon=True).start()
        return False
    return title in ("Alpha", "Bravo")

def configure():
    return ([every_window], on_add, None, on_shade, on_unshade)
PY
echo "$rolling_handlers" >>reader_script.py
sed -i 's/^FilterPath=e2e_script\.py/FilterPath=reader_script.py/' quillmere.ini
# reads: the reading thread's last line in the log view in $read_line, its
# count of reads in $read_count (both empty when there is none). Charlie
# asks, as it takes no part in the focus changes: a hung program holds its
# WM_GETTEXT, and reads fails then.
reads() {
  ask charlie programlog || return 1
  read_line=$(grep -o 'reader: [0-9]* reads of [^|]*' <<<"$answer" | tail -n 1)
  read_count=
  read -r _ read_count _ <<<"$read_line"
}
"$WINE" $program_command >reader-program.log 2>&1 </dev/null &
program_pid=$!
first=
for _ in $(seq 300); do reads || break; first=$read_count; [ -n "$first" ] && break; sleep 0.1; done
[[ "$read_line" == *" reads of Quillmere v"* ]]
check "a script thread reads the main window's title with getWindowProperty" $? "${read_line:-no line from the thread}"
ask alpha "focus main"
rounds=0
for round in 1 2 3 4; do
  ask bravo "focus main"
  wait_height alpha main "$rolled" '! thick' && wait_height bravo main 300 thick || break
  ask alpha "focus main"
  wait_height alpha main 300 thick && wait_height bravo main "$rolled" '! thick' || break
  rounds=$round
done
check "while the thread reads, Alpha and Bravo roll up and down in turn (4 rounds)" \
  "$([ $rounds = 4 ]; echo $?)" "$rounds rounds; height $height style $style"
# The thread logs every half second: a later count is awaited.
last=
for _ in $(seq 30); do reads || break; last=$read_count; [ -n "$first" ] && [ "${last:-0}" -gt "$first" ] && break; sleep 0.2; done
[ -n "$first" ] && [ "${last:-0}" -gt "$first" ]
check "the reading thread went on reading while the focus moved" $? "from ${first:-none} to ${last:-none} reads"
echo "reading thread: ${first:-none} reads before the focus changes, ${last:-none} after"
ask charlie closeprogram
program_ends "$program_pid" 200 "with the thread reading, the program ends after WM_CLOSE to its main window" \
  "with the thread reading, the program's exit status is 0" 0
wait_height bravo main 300 '[ "$left $top $right $bottom" = "500 50 900 350" ] && [ "$style" = "$bravo_style" ]'
check "closing the program rolled Bravo down (rectangle and style)" $? "$left $top $right $bottom style $style"

# Reload by saving the script. The first script manages Alpha and Bravo
# but its filter never lets Alpha roll up; saving a second script over it
# while the program runs reloads it: its log line appears, and Alpha rolls
# up from then on.
cat >reload_first.py <<'PY'
import Quillmere

def not_alpha(hwnd, title, classname):
    return title != "Alpha"

def on_add(hwnd, title, classname):
    return title in ("Alpha", "Bravo")

def configure():
    return ([not_alpha], on_add, None, on_shade, on_unshade)
PY
echo "$rolling_handlers" >>reload_first.py
cp reload_first.py reload_script.py
sed -i 's/^FilterPath=.*/FilterPath=reload_script.py/' quillmere.ini
"$WINE" $program_command >reload-program.log 2>&1 </dev/null &
program_pid=$!
sleep 3
ask alpha "focus main"
ask bravo "focus main"
settle
report alpha main
check "reload: the first script keeps Alpha down when it loses the focus" "$([ "$height" = 300 ]; echo $?)" \
  "height $height"
cat >reload_script.py <<'PY'
import Quillmere
Quillmere.log("the second script runs")

def on_add(hwnd, title, classname):
    return title in ("Alpha", "Bravo")

def configure():
    return ([every_window], on_add, None, on_shade, on_unshade)
PY
echo "$rolling_handlers" >>reload_script.py
reloaded=
for _ in $(seq 100); do
  ask charlie programlog || break
  grep -q 'Script reloaded from "reload_script.py"' <<<"$answer" && grep -q 'the second script runs' <<<"$answer" &&
    { reloaded=1; break; }
  sleep 0.2
done
check "reload: saving the script reloads it (the new script's line and the reload line in the log)" \
  "$([ -n "$reloaded" ]; echo $?)" "$(tr '|' '\n' <<<"$answer" | tail -n 2 | tr '\n' ' ')"
ask alpha "focus main"
ask bravo "focus main"
wait_height alpha main "$rolled" '! thick'
check "reload: the new script rolls Alpha up when it loses the focus" $? "height $height"
ask charlie closeprogram
program_ends "$program_pid" 200 "reload: the program ends after WM_CLOSE to its main window" \
  "reload: the program's exit status is 0" 0

# 7. Nothing crashed.
for app in alpha bravo charlie; do
  ask "$app" quit
  wait "${pid[$app]}"
  status=$?
  check "$app ends with exit status 0" "$([ $status = 0 ]; echo $?)" "status $status"
done
trouble='unhandled exception|page fault|err:seh|Traceback|Error'
! grep -qiE "$trouble" ./*.log
check "no crash and no script error in the logs" $? "$(grep -hiE "$trouble" ./*.log | head -3)"

# 8. Menus in the user's language, with the test applications gone: English
#    in this English prefix, and Japanese for a Japanese user (LANG=ja_JP.UTF-8
#    for the program; its menu font is linked to VL Gothic when the prefix is
#    made). The File menu is opened by a real click through the X server and
#    photographed (menu-en.png, menu-ja.png), then Exit is chosen with its
#    mnemonic key. Under Wine another process cannot read a program's menu,
#    so the screenshots are the record of its text.
sed -i 's/^FilterPath=reader_script\.py/FilterPath=e2e_script.py/' quillmere.ini
ini=$(tr -d '\r' <quillmere.ini)
pl=$(sed -n 's/^Left=//p' <<<"$ini") pt=$(sed -n 's/^Top=//p' <<<"$ini")
# menu_run NAME: starts the program in the environment given, clicks its
# File menu open, takes the screenshot NAME.png and chooses Exit.
menu_run() {
  local name=$1 p popup changed attempt
  "$WINE" $program_command >"$name-program.log" 2>&1 </dev/null &
  p=$!
  sleep 5
  import -window root "$name-closed.png"
  # The popup opens below the menu bar's first item: that part of the
  # screen changes. A click that came too early is tried again.
  popup="150x60+$((pl + 6))+$((pt + caption + 30))"
  convert "$name-closed.png" -crop "$popup" +repage "$name-closed-part.png"
  for attempt in 1 2 3 4 5; do
    # Activates the window by its caption, then clicks the menu bar's first
    # item, below the caption at its left end.
    click_caption "$pl" "$pt" "$((pl + 400))"
    sleep 0.5
    xdotool mousemove $((pl + 20)) $((pt + caption + 14))
    sleep 0.3
    xdotool click 1
    sleep 1.5
    import -window root "$out/$name.png"
    convert "$out/$name.png" -crop "$popup" +repage "$name-open-part.png"
    changed=$(compare -metric AE "$name-closed-part.png" "$name-open-part.png" null: 2>&1)
    [ "${changed%% *}" -gt 500 ] 2>/dev/null && break
    xdotool key Escape Escape
    sleep 1
  done
  [ "${changed%% *}" -gt 500 ] 2>/dev/null
  check "$name: a click on the menu bar opens the File menu" $? "${changed} pixels changed; $attempt attempts"
  xdotool key x
  program_ends "$p" 200 "$name: the program ends when Exit is chosen by its key in the menu" \
    "$name: the program's exit status is 0" 0
}
menu_run menu-en
locales=$out/locales
if ! locale -a 2>/dev/null | grep -qix ja_JP.utf8; then
  mkdir -p "$locales"
  [ -d "$locales/ja_JP.UTF-8" ] || localedef -i ja_JP -f UTF-8 "$locales/ja_JP.UTF-8"
  export LOCPATH=$locales
fi
LANG=ja_JP.UTF-8 LC_ALL= menu_run menu-ja
unset LOCPATH
[ -s "$out/menu-en.png" ] && [ -s "$out/menu-ja.png" ] && ! cmp -s "$out/menu-en.png" "$out/menu-ja.png"
check "screenshots of the English and the Japanese File menu saved, and they differ" $?

# 9. One copy at a time: a second quillmere.exe started while the first
#    runs brings the first one's window forward, restored, and ends at once
#    with exit status 0, leaving quillmere.ini as it was; the first copy
#    keeps its hook.
start_app delta Delta 100 400 500 700 || exit 1
sed -i 's/^FilterPath=.*/FilterPath=e2e_script.py/' quillmere.ini
: >script.trace
"$WINE" $program_command >first-copy.log 2>&1 </dev/null &
program_pid=$!
for _ in $(seq 300); do grep -q "managing 'Delta'" script.trace 2>/dev/null && break; sleep 0.1; done
ask delta minimizeprogram
ask delta "focus main"
ask delta programstate
check "the first copy's window is minimised and Delta in front" "$([ "$answer" = "iconic 1 foreground 0" ]; echo $?)" "$answer"
cp quillmere.ini quillmere.ini.before
"$WINE" $program_command >second-copy.log 2>&1 </dev/null &
program_ends $! 300 "a second quillmere.exe ends at once while the first runs" "the second copy's exit status is 0" 0
for _ in $(seq 50); do
  ask delta programstate
  [ "$answer" = "iconic 0 foreground 1" ] && break
  sleep 0.2
done
check "the first copy's window is restored and in front" "$([ "$answer" = "iconic 0 foreground 1" ]; echo $?)" "$answer"
sleep 0.5
import -window root "$out/second-copy.png"
cmp -s quillmere.ini quillmere.ini.before
check "the second copy left quillmere.ini as it was" $?
# The focus went from Delta to the program's window: Delta rolls up, and
# comes back with the focus, by the first copy's hook.
wait_height delta main "$rolled" '! thick'
check "the first copy still rolls windows up: Delta, which lost the focus to it" $? "height $height"
ask delta "focus main"
wait_height delta main 300 thick
check "and down again when Delta takes the focus back" $? "height $height"
ask delta closeprogram
program_ends "$program_pid" 200 "the first copy ends after WM_CLOSE to its main window" "the first copy's exit status is 0" 0
ask delta quit
wait "${pid[delta]}"
! grep -qiE "$trouble" first-copy.log second-copy.log
check "no crash and no script error in the copies' logs" $? "$(grep -hiE "$trouble" first-copy.log second-copy.log | head -3)"

[ -s "$out/before.png" ] && [ -s "$out/after.png" ] && ! cmp -s "$out/before.png" "$out/after.png"
check "screenshots before and after the roll-up saved, and they differ" $?
cp ./*.log ./*.out script.trace "$out/" 2>/dev/null
echo "screenshots: $out/before.png $out/after.png $out/menu-en.png $out/menu-ja.png"
echo "$failures failed; $(( $(date +%s) - started )) s"
[ $failures -eq 0 ]
