# lib.sh - what the scripts that drive Quorvel.exe from outside share: the
# program started under Wine, its windows found by title, clicks at points
# given in dialog units, screenshots, the exit question and the exit code.
# Sourced, not run; the script sets build and shots (its screenshot folder)
# before sourcing it.
#
# DISPLAY and WINEPREFIX come from the environment (test.sh sets both).

exe="$build/Quorvel.exe"
mkdir -p "$shots"
pid=

fail() { echo "FAIL: $*" >&2; exit 1; }
[ -n "${DISPLAY:-}" ] || fail "no DISPLAY"
[ -f "$exe" ] || fail "missing $exe"
command -v xdotool >/dev/null || fail "xdotool is not installed"
export WINEDEBUG=-all

# Window titles are regular expressions for xdotool.
caption='Quorvel \[1\.0\.1r-2\]'
title_of() { echo "^$caption  $1\$"; }

# The centres of the common buttons, in dialog units.
read_me="113 269"; back="356 269"; next="408 269"; exit_button="470 269"

# Starts Quorvel.exe in the background; pid holds its process until it is
# stopped or has ended.
start_quorvel() {
  wine "$exe" </dev/null >/dev/null 2>&1 &
  pid=$!
}
stop_quorvel() {
  [ -n "$pid" ] && { kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; }
  pid=
}

# Waits up to 20 s for a visible window whose title matches; prints its id.
# Fails early when the program has ended.
wait_window() {
  local pattern=$1 i id
  for i in $(seq 1 200); do
    id=$(xdotool search --onlyvisible --name "$pattern" 2>/dev/null | head -1)
    if [ -n "$id" ]; then echo "$id"; return 0; fi
    kill -0 "$pid" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}

# Waits for the first of several pages; prints "<window> <pattern index>".
wait_any() {
  local i n id pattern
  for i in $(seq 1 300); do
    n=0
    for pattern in "$@"; do
      id=$(xdotool search --onlyvisible --name "$pattern" 2>/dev/null | head -1)
      if [ -n "$id" ]; then echo "$id $n"; return 0; fi
      n=$((n + 1))
    done
    kill -0 "$pid" 2>/dev/null || return 1
    sleep 0.05
  done
  return 1
}

# Waits until no visible window matches (the page has ended).
wait_gone() {
  local i
  for i in $(seq 1 150); do
    xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 || return 0
    sleep 0.1
  done
  return 1
}

# True while a visible window matches.
is_shown() { xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; }

# The mouse at a point of a page given in dialog units of its 503 x 283
# client area. The scale comes from the window's width; y is measured from
# the bottom edge, so a title bar drawn on top does not shift it. The frame
# of a few pixels this ignores is far less than any control's size.
point_du() {
  local window=$1 x=$2 y=$3 geometry px py
  geometry=$(xdotool getwindowgeometry --shell "$window") || return 1
  eval "$geometry"
  px=$(awk -v X="$X" -v W="$WIDTH" -v x="$x" 'BEGIN { printf "%d", X + x * W / 503 }')
  py=$(awk -v Y="$Y" -v H="$HEIGHT" -v W="$WIDTH" -v y="$y" 'BEGIN { printf "%d", Y + H - (283 - y) * W / 503 }')
  xdotool mousemove "$px" "$py"
  sleep 0.1
}
click_du() { point_du "$@" && xdotool click 1; sleep 0.3; }
double_click_du() { point_du "$@" && xdotool click --repeat 2 --delay 60 1; sleep 0.3; }

# Saves the window's part of the screen into shots; waits up to tries x
# 0.25 s (default 20) for it to be drawn, as a new window may show black for
# a moment. Never fails the test.
shot() {
  local window=$1 name=$2 tries=${3:-20} geometry i level
  for i in $(seq 1 "$tries"); do
    sleep 0.25
    geometry=$(xdotool getwindowgeometry --shell "$window" 2>/dev/null) || return 0
    eval "$geometry"
    import -silent -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$shots/$name.png" || return 0
    level=$(convert "$shots/$name.png" -format '%[fx:int(mean*100)]' info: 2>/dev/null || echo 0)
    [ "${level:-0}" -gt 5 ] && return 0
  done
  echo "note: screenshot $name may show the window undrawn" >&2
}

# The exit question belongs to the page; it is the window titled with the
# bare caption. Keys go to it as typed: n for No, y for Yes. (Wine 8 under a
# bare Xvfb leaves a box that lies wholly over another window of the program
# unpainted, so its screenshot may be black; the box works all the same.)
# The box's screenshot is named name (default exit-question).
answer_question() {
  local key=$1 name=${2:-exit-question} box
  box=$(wait_window "^$caption\$") || fail "no exit question"
  shot "$box" "$name" 4
  xdotool windowfocus --sync "$box" 2>/dev/null || true
  xdotool key --clearmodifiers "$key"
  sleep 0.3
}

# Waits up to 10 s for Quorvel.exe to end and fails unless its exit code is
# 0; why names what should have ended it.
expect_exit_zero() {
  local why=$1 i code
  for i in $(seq 1 100); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$pid" 2>/dev/null && fail "Quorvel.exe still runs after $why"
  wait "$pid"
  code=$?
  pid=
  [ "$code" -eq 0 ] || fail "exit code $code, expected 0"
}
