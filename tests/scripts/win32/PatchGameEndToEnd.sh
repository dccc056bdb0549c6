#!/usr/bin/env bash
# Starts the real Quorvel.exe on the test display and patches two generated
# game installs with the mouse and keyboard, as a person would:
#
#  1. TITLE, EULA (accept), VENDER (box copy), SELECTPRODUCT (a click on
#     "Talon Interceptor"), SETDIR with its default folder, which is where the
#     first install lies: "C:\Program Files\Quellsoft\Talon INT" in the Wine
#     prefix. Scan, results, patch, DONE.
#  2. DONE's Back to VENDER, the download store, a double click on the same
#     title, a folder typed into SETDIR's edit (with a percent sign in its
#     name), scan, patch, and "Finished!", which ends the program with exit
#     code 0.
#
# Then the files of both installs are checked byte for byte (and the times of
# the files no run may touch) by qv_install_dir. A screenshot of every page
# goes to <build dir>/screenshots/end-to-end/.
#
#   PatchGameEndToEnd.sh <build dir> <source dir>
#
# DISPLAY and WINEPREFIX come from the environment (test.sh sets both).
set -u
build=$1
exe="$build/Quorvel.exe"
fixture="$build/tests/bin/qv_install_dir.exe"
shots="$build/screenshots/end-to-end"
mkdir -p "$shots"

fail() { echo "FAIL: $*" >&2; exit 1; }
[ -n "${DISPLAY:-}" ] || fail "no DISPLAY"
[ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX/drive_c" ] || fail "WINEPREFIX does not name a booted Wine prefix"
[ -f "$exe" ] || fail "missing $exe"
[ -f "$fixture" ] || fail "missing $fixture"
command -v xdotool >/dev/null || fail "xdotool is not installed"
export WINEDEBUG=-all

# The two installs, as the wizard sees them and as Linux does.
first_win='C:\Program Files\Quellsoft\Talon INT'
first_unix="$WINEPREFIX/drive_c/Program Files/Quellsoft/Talon INT"
second_parent_unix="$WINEPREFIX/drive_c/quorvel-end-to-end-$$"
second_win="C:\\quorvel-end-to-end-$$\\Talon 100% Copy"

pid=
cleanup() {
  [ -n "$pid" ] && { kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; }
  rm -rf "$first_unix" "$second_parent_unix"
}
trap cleanup EXIT

# A game left by an earlier run would not be the generated one.
rm -rf "$first_unix" "$second_parent_unix"
timeout 60 wine "$fixture" make "$first_win" </dev/null || fail "cannot make $first_win"
timeout 60 wine "$fixture" make "$second_win" </dev/null || fail "cannot make $second_win"

# Window titles are regular expressions for xdotool.
caption='Quorvel \[1\.0\.1r-2\]'
title_of() { echo "^$caption  $1\$"; }

wine "$exe" </dev/null >/dev/null 2>&1 &
pid=$!

# Waits up to 20 s for a visible window whose title matches; prints its id.
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
  local i n id
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

# The mouse at a point of a page given in dialog units of its 503 x 283
# client area; the scale comes from the window's width, y is measured from
# the bottom edge so that a title bar drawn on top does not shift it.
point_du() {
  local window=$1 x=$2 y=$3 geometry
  geometry=$(xdotool getwindowgeometry --shell "$window") || return 1
  eval "$geometry"
  px=$(awk -v X="$X" -v W="$WIDTH" -v x="$x" 'BEGIN { printf "%d", X + x * W / 503 }')
  py=$(awk -v Y="$Y" -v H="$HEIGHT" -v W="$WIDTH" -v y="$y" 'BEGIN { printf "%d", Y + H - (283 - y) * W / 503 }')
  xdotool mousemove "$px" "$py"
  sleep 0.1
}
click_du() { point_du "$@" && xdotool click 1; sleep 0.3; }
double_click_du() { point_du "$@" && xdotool click --repeat 2 --delay 60 1; sleep 0.3; }

# The centres of the common buttons, in dialog units.
back="356 269"; next="408 269"; exit_button="470 269"

# Saves the window's part of the screen; waits up to 5 s for it to be drawn
# (a new window may show black for a moment). Never fails the test.
shot() {
  local window=$1 name=$2 geometry i level
  for i in $(seq 1 20); do
    sleep 0.25
    geometry=$(xdotool getwindowgeometry --shell "$window" 2>/dev/null) || return 0
    eval "$geometry"
    import -silent -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$shots/$name.png" || return 0
    level=$(convert "$shots/$name.png" -format '%[fx:int(mean*100)]' info: 2>/dev/null || echo 0)
    [ "${level:-0}" -gt 5 ] && return 0
  done
  echo "warning: screenshot $name may show the window undrawn" >&2
}

# From SETDIR's Next to SCANRESULTS; SCAN may pass too quickly to be caught.
scan_to_results() {
  local setdir=$1 prefix=$2 found window which
  click_du "$setdir" $next
  found=$(wait_any "$(title_of 'Scanning Files')" "$(title_of 'Scan Results')") || fail "Next on SETDIR led nowhere"
  read -r window which <<<"$found"
  if [ "$which" = 0 ]; then
    shot "$window" "$prefix-07-scan"
    window=$(wait_window "$(title_of 'Scan Results')") || fail "SCAN did not give way to SCANRESULTS"
  fi
  echo "$window"
}

# From SCANRESULTS' Next to DONE; CONVERTFILES may pass quickly too.
patch_to_done() {
  local results=$1 prefix=$2 found window which
  click_du "$results" $next
  found=$(wait_any "$(title_of 'Patching Files')" "$(title_of 'Patch Results')") || fail "Next on SCANRESULTS led nowhere"
  read -r window which <<<"$found"
  if [ "$which" = 0 ]; then
    shot "$window" "$prefix-09-convertfiles"
    window=$(wait_window "$(title_of 'Patch Results')") || fail "CONVERTFILES did not give way to DONE"
  fi
  echo "$window"
}

# --- First install: box copy, default folder -------------------------------

title=$(wait_window "$(title_of 'Title Screen')") || fail "TITLE did not open"
shot "$title" "1-00-title"
click_du "$title" $next
eula=$(wait_window "$(title_of 'EULA Screen')") || fail "Next on TITLE did not open EULA"
click_du "$eula" 150 230    # the accept button's circle
shot "$eula" "1-02-eula-accepted"
click_du "$eula" $next
vender=$(wait_window "$(title_of 'Vender Screen')") || fail "EULA did not lead to VENDER"
click_du "$vender" 128 163  # box copy: the bottom circle
shot "$vender" "1-03-vender-box-copy"
click_du "$vender" $next
select=$(wait_window "$(title_of 'Product selection screen')") || fail "VENDER did not lead to SELECTPRODUCT"
shot "$select" "1-05-selectproduct"
click_du "$select" 160 118  # the third title, "Talon Interceptor"
shot "$select" "1-05-selectproduct-talon"
click_du "$select" $next
setdir=$(wait_window "$(title_of 'Directory Selection')") || fail "Next on SELECTPRODUCT did not open SETDIR"
shot "$setdir" "1-06-setdir-default-folder"
results=$(scan_to_results "$setdir" 1) || exit 1
shot "$results" "1-08-scanresults"
done_page=$(patch_to_done "$results" 1) || exit 1
shot "$done_page" "1-10-done"

# --- Second install: download store, double click, typed folder ----------

click_du "$done_page" $back
vender=$(wait_window "$(title_of 'Vender Screen')") || fail "Back on DONE did not lead to VENDER"
shot "$vender" "2-03-vender-nothing-chosen"
click_du "$vender" $next    # no channel is chosen: Next must not lead on
sleep 0.5
xdotool search --onlyvisible --name "$(title_of 'Vender Screen')" >/dev/null || fail "Next left VENDER without a channel"
click_du "$vender" 128 118  # the download store: the top circle
click_du "$vender" $next
select=$(wait_window "$(title_of 'Product selection screen')") || fail "VENDER did not lead to SELECTPRODUCT again"
shot "$select" "2-05-selectproduct-nothing-chosen"
double_click_du "$select" 160 118
setdir=$(wait_window "$(title_of 'Directory Selection')") || fail "a double click on a title did not go on to SETDIR"
shot "$setdir" "2-06-setdir-download-folder"
# Replace the folder: click into the edit, select its text, type over it.
click_du "$setdir" 200 117
xdotool key --clearmodifiers End shift+Home
xdotool type --delay 20 "$second_win"
sleep 0.3
shot "$setdir" "2-06-setdir-typed"
results=$(scan_to_results "$setdir" 2) || exit 1
shot "$results" "2-08-scanresults"
done_page=$(patch_to_done "$results" 2) || exit 1
shot "$done_page" "2-10-done"
click_du "$done_page" $exit_button   # labelled "Finished!": ends without a question

for i in $(seq 1 100); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$pid" 2>/dev/null && fail "Quorvel.exe still runs after Finished!"
wait "$pid"
code=$?
pid=
[ "$code" -eq 0 ] || fail "exit code $code, expected 0"

timeout 60 wine "$fixture" patched "$first_win" </dev/null || fail "the first install is not as a patch leaves it"
timeout 60 wine "$fixture" patched "$second_win" </dev/null || fail "the second install is not as a patch leaves it"
echo "patched two generated installs through every page; exit code 0; screenshots in $shots"
