# Sourced by the scripts that run the program under Wine (scripts/wine-e2e.sh,
# scripts/wine-real-apps.sh, scripts/wine-latency.sh).
#   wine_session_check ARCH          the one line and exit 77 when ARCH is
#                                    win32 and the machine runs no 32-bit
#                                    code; exit 77 (1 under CI=true) when
#                                    Wine, Xvfb, xdotool or ImageMagick is
#                                    missing
#   wine_session_build ARCH TARGET...  builds targets of the Windows build of
#                                    ARCH (build-windows64/ or build-windows/,
#                                    configured on first use); sets b to it
#   wine_session_start ARCH OUT      a display of its own (DISPLAY), a fresh
#                                    prefix OUT/prefix with the virtual desktop
#                                    (WINEPREFIX, WINE); all ended at exit
#   probe_start PROBE.EXE            runs the probe (tests/wine/apps/probe.cpp)
#   probe COMMAND                    asks it; the answer line is in $answer
#   click_caption L T R              a real mouse click through the X server
#                                    on the caption bar of a window at L T R
#   window TITLE                     asks the probe for the window: sets left
#                                    top right bottom height style
#   wait_for TITLE CONDITION         polls until CONDITION (on window's fields)
#                                    holds, 10 s at most
#   click TITLE                      click_caption where the window is now
#   is_saved TITLE                   the window is at ${saved[TITLE]} ("L T R B
#                                    style" of an associative array saved of
#                                    the caller's)
#   thick                            the style has WS_THICKFRAME
#   log_shows LINE...                the program's log view ($PROGRAM) holds
#                                    each line (a check each; the caller's
#                                    check function)
#   close_program TITLE...           WM_CLOSE to $PROGRAM, started as
#                                    $program_pid: checks that it ends with
#                                    exit status 0 and gives each window back
#                                    its saved rectangle and style
#   rolling_script FILE TITLE...     writes tests/wine/rolling_script.py to
#                                    FILE, managing the windows of those titles
top=${top:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
. "$top/scripts/wine-env.sh"

wine_session_check() {
  wine_check_arch "$1"
  local loader=/usr/lib/wine/wine
  [ "$1" = win32 ] || loader=/usr/lib/wine/wine64
  wine_require "$loader" wineserver Xvfb xdotool import
}

wine_session_build() {
  local toolchain=mingw-x86_64
  b=$top/build-windows64
  if [ "$1" = win32 ]; then b=$top/build-windows toolchain=mingw-i686; fi
  shift
  [ -f "$b/build.ninja" ] ||
    cmake -G Ninja -S "$top" -B "$b" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/$toolchain.cmake" >/dev/null || return 1
  cmake --build "$b" --target "$@" >/dev/null
}

wine_session_xvfb_pid=
wine_session_probe_pid=
wine_session_end() {
  [ -n "$wine_session_probe_pid" ] && kill "$wine_session_probe_pid" 2>/dev/null
  WINEPREFIX=$QUILLMERE_WINEPREFIX wineserver -k 2>/dev/null
  [ -n "$wine_session_xvfb_pid" ] && kill "$wine_session_xvfb_pid" 2>/dev/null
  rm -rf "$QUILLMERE_WINEPREFIX" "$QUILLMERE_WINEPREFIX.lock"
}

wine_session_start() {
  export QUILLMERE_WINEPREFIX=$2/prefix
  rm -rf "$QUILLMERE_WINEPREFIX" "$QUILLMERE_WINEPREFIX.lock"
  wine_use "$1"
  trap wine_session_end EXIT
  # The first free display number from 90.
  local n
  for n in $(seq 90 160); do
    [ -e /tmp/.X$n-lock ] || [ -e /tmp/.X11-unix/X$n ] && continue
    Xvfb :$n -screen 0 1024x768x24 -nolisten tcp >"$2/xvfb.log" 2>&1 &
    wine_session_xvfb_pid=$!
    for _ in $(seq 50); do [ -e /tmp/.X11-unix/X$n ] && break; sleep 0.1; done
    if [ -e /tmp/.X11-unix/X$n ] && kill -0 "$wine_session_xvfb_pid" 2>/dev/null; then
      export DISPLAY=:$n
      break
    fi
    kill "$wine_session_xvfb_pid" 2>/dev/null
    wine_session_xvfb_pid=
  done
  [ -n "$wine_session_xvfb_pid" ] || { echo "$(basename "$0"): no display could be started" >&2; return 1; }
  wine_prefix_ready
}

probe_start() {
  coproc PROBE { "$WINE" "$1" 2>/dev/null; }
  wine_session_probe_pid=$PROBE_PID
}

probe() {
  answer=
  echo "$1" >&"${PROBE[1]}" && IFS= read -r -t 60 answer <&"${PROBE[0]}"
  answer=${answer%$'\r'}
}

# The middle of the caption bar, below the top frame, left of the buttons.
click_caption() {
  xdotool mousemove $(( ($1 + $3) / 2 - 30 )) $(( $2 + 12 )) click 1
}

window() {
  probe "rect $1"
  read -r _ left top right bottom _ style _ <<<"$answer"
  height=$(( ${bottom:-0} - ${top:-0} ))
}
thick() { (( style & 0x00040000 )); }
wait_for() {
  for _ in $(seq 100); do
    window "$1"
    [ "$answer" != none ] && eval "$2" && return 0
    sleep 0.1
  done
  return 1
}
click() {
  window "$1"
  click_caption "$left" "$top" "$right"
}
is_saved() { [ "$left $top $right $bottom $style" = "${saved[$1]}" ]; }
rolling_script() {
  local file=$1 titles
  shift
  titles=$(printf '"%s", ' "$@")
  sed "s/^MANAGED = ()\$/MANAGED = (${titles% })/" "$top/tests/wine/rolling_script.py" >"$file"
}
log_shows() {
  probe "logtext $PROGRAM"
  echo "log view: $answer"
  local log=$answer line
  for line in "$@"; do
    [[ $log == *"$line"* ]]
    check "the program's log view shows the script's line '$line'" $?
  done
}
close_program() {
  probe "close $PROGRAM"
  local exited=1 status app
  for _ in $(seq 200); do kill -0 "$program_pid" 2>/dev/null || { exited=0; break; }; sleep 0.1; done
  check "the program ends after WM_CLOSE to its main window" $exited
  wait "$program_pid"
  status=$?
  check "the program's exit status is 0" "$([ $status = 0 ]; echo $?)" "status $status"
  for app in "$@"; do
    wait_for "$app" 'is_saved "$app"'
    check "closing the program gave $app back its rectangle and style" $? "$answer, was ${saved[$app]}"
  done
}
