#!/usr/bin/env bash
# Starts the real Quorvel.exe on the test display and clicks through TITLE,
# README, EULA, VENDER and ARCAVIA with the mouse as a person would, answers
# the exit question No and then Yes, and checks the exit code. Takes a
# screenshot of every page into <build dir>/screenshots/intro-pages/.
#
#   ClickThroughIntroPages.sh <build dir> <source dir>
#
# DISPLAY and WINEPREFIX come from the environment (test.sh sets both).
set -u
build=$1
exe="$build/Quorvel.exe"
shots="$build/screenshots/intro-pages"
mkdir -p "$shots"

fail() { echo "FAIL: $*" >&2; exit 1; }
[ -n "${DISPLAY:-}" ] || fail "no DISPLAY"
[ -f "$exe" ] || fail "missing $exe"
command -v xdotool >/dev/null || fail "xdotool is not installed"
export WINEDEBUG=-all

# Window titles are regular expressions for xdotool.
caption='Quorvel \[1\.0\.1r-2\]'
title_of() { echo "^$caption  $1\$"; }

wine "$exe" </dev/null >/dev/null 2>&1 &
pid=$!
cleanup() { kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; }
trap cleanup EXIT

# Waits up to 15 s for a visible window whose title matches; prints its id.
wait_window() {
  local pattern=$1 i id
  for i in $(seq 1 150); do
    id=$(xdotool search --onlyvisible --name "$pattern" 2>/dev/null | head -1)
    if [ -n "$id" ]; then echo "$id"; return 0; fi
    kill -0 "$pid" 2>/dev/null || return 1
    sleep 0.1
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

# Clicks at a point of a page given in dialog units of its 503 x 283 client
# area. The scale comes from the window's width; y is measured from the
# bottom edge, so a title bar drawn on top does not shift it. The frame of a
# few pixels this ignores is far less than any control's size.
click_du() {
  local window=$1 x=$2 y=$3 geometry px py
  geometry=$(xdotool getwindowgeometry --shell "$window") || return 1
  eval "$geometry"
  px=$(awk -v X="$X" -v W="$WIDTH" -v x="$x" 'BEGIN { printf "%d", X + x * W / 503 }')
  py=$(awk -v Y="$Y" -v H="$HEIGHT" -v W="$WIDTH" -v y="$y" 'BEGIN { printf "%d", Y + H - (283 - y) * W / 503 }')
  xdotool mousemove "$px" "$py" click 1
  sleep 0.3
}

# The centres of the common buttons, in dialog units.
read_me="113 269"; back="356 269"; next="408 269"; exit_button="470 269"

# Saves the window's part of the screen; waits up to tries x 0.25 s for it
# to be drawn (a new window may show black for a moment).
shot() {
  local window=$1 name=$2 tries=${3:-20} geometry i level
  for i in $(seq 1 "$tries"); do
    sleep 0.25
    geometry=$(xdotool getwindowgeometry --shell "$window") || return 1
    eval "$geometry"
    import -silent -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$shots/$name.png" || break
    level=$(convert "$shots/$name.png" -format '%[fx:int(mean*100)]' info: 2>/dev/null || echo 0)
    [ "${level:-0}" -gt 5 ] && return 0
  done
  echo "note: screenshot $name shows the window undrawn" >&2
}

# The exit question belongs to the page; it is the window titled with the
# bare caption. Keys go to it as typed: n for No, y for Yes. (Wine 8 under a
# bare Xvfb leaves a box that lies wholly over another window of the program
# unpainted, so its screenshot may be black; the box works all the same.)
answer_question() {
  local key=$1 box
  box=$(wait_window "^$caption\$") || fail "no exit question"
  shot "$box" "08-exit-question" 4
  xdotool windowfocus --sync "$box" 2>/dev/null || true
  xdotool key --clearmodifiers "$key"
  sleep 0.3
}

title=$(wait_window "$(title_of 'Title Screen')") || fail "TITLE did not open"
shot "$title" "01-title"

click_du "$title" $read_me
readme=$(wait_window "$(title_of 'Read Me Screen')") || fail "Read me... did not open README"
shot "$readme" "02-readme"
click_du "$readme" $back
title=$(wait_window "$(title_of 'Title Screen')") || fail "Back on README did not return to TITLE"

click_du "$title" $next
eula=$(wait_window "$(title_of 'EULA Screen')") || fail "Next on TITLE did not open EULA"
shot "$eula" "03-eula"
click_du "$eula" $next
sleep 0.3
xdotool search --onlyvisible --name "$(title_of 'EULA Screen')" >/dev/null || fail "Next left EULA before acceptance"
click_du "$eula" 150 230    # the accept button's circle
shot "$eula" "04-eula-accepted"
click_du "$eula" $next
vender=$(wait_window "$(title_of 'Vender Screen')") || fail "Next on EULA did not open VENDER after acceptance"
shot "$vender" "05-vender"

click_du "$vender" 131 140  # the subscription store's circle (the middle one)
shot "$vender" "06-vender-arcavia-chosen"
click_du "$vender" $next
arcavia=$(wait_window "$(title_of 'Arcavia Notice')") || fail "VENDER did not lead to ARCAVIA"
shot "$arcavia" "07-arcavia"
click_du "$arcavia" $next
sleep 0.3
xdotool search --onlyvisible --name "$(title_of 'Arcavia Notice')" >/dev/null || fail "Next left ARCAVIA"

click_du "$arcavia" $back
vender=$(wait_window "$(title_of 'Vender Screen')") || fail "Back on ARCAVIA did not return to VENDER"
click_du "$vender" $exit_button
answer_question n
vender=$(wait_window "$(title_of 'Vender Screen')") || fail "No closed the page"
click_du "$vender" $exit_button
answer_question y
wait_gone "$(title_of 'Vender Screen')" || fail "Yes did not end the wizard"

for i in $(seq 1 100); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$pid" 2>/dev/null && fail "Quorvel.exe still runs after Yes"
wait "$pid"
code=$?
trap - EXIT
[ "$code" -eq 0 ] || fail "exit code $code, expected 0"
echo "clicked through TITLE, README, EULA, VENDER and ARCAVIA; exit code 0; screenshots in $shots"
