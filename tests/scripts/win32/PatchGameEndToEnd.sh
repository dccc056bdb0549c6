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
shots="$build/screenshots/end-to-end"
. "$(dirname "$0")/lib.sh"
fixture="$build/tests/bin/qv_install_dir.exe"
[ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX/drive_c" ] || fail "WINEPREFIX does not name a booted Wine prefix"
[ -f "$fixture" ] || fail "missing $fixture"

# The two installs, as the wizard sees them and as Linux does.
first_win='C:\Program Files\Quellsoft\Talon INT'
first_unix="$WINEPREFIX/drive_c/Program Files/Quellsoft/Talon INT"
second_parent_unix="$WINEPREFIX/drive_c/quorvel-end-to-end-$$"
second_win="C:\\quorvel-end-to-end-$$\\Talon 100% Copy"

cleanup() {
  stop_quorvel
  rm -rf "$first_unix" "$second_parent_unix"
}
trap cleanup EXIT

# A game left by an earlier run would not be the generated one.
rm -rf "$first_unix" "$second_parent_unix"
timeout 60 wine "$fixture" make "$first_win" </dev/null || fail "cannot make $first_win"
timeout 60 wine "$fixture" make "$second_win" </dev/null || fail "cannot make $second_win"

start_quorvel

# Next on page, then the page after a working page, which may pass too
# quickly to be caught (a screenshot of it when it is); prints its window.
through_working_page() {
  local page=$1 working=$2 after=$3 name=$4 found window which
  click_du "$page" $next
  found=$(wait_any "$(title_of "$working")" "$(title_of "$after")") || fail "Next led to neither $working nor $after"
  read -r window which <<<"$found"
  if [ "$which" = 0 ]; then
    shot "$window" "$name"
    window=$(wait_window "$(title_of "$after")") || fail "$working did not give way to $after"
  fi
  echo "$window"
}
scan_to_results() { through_working_page "$1" 'Scanning Files' 'Scan Results' "$2-07-scan"; }
patch_to_done() { through_working_page "$1" 'Patching Files' 'Patch Results' "$2-09-convertfiles"; }

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
is_shown "$(title_of 'Vender Screen')" || fail "Next left VENDER without a channel"
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

expect_exit_zero "Finished!"

timeout 60 wine "$fixture" patched "$first_win" </dev/null || fail "the first install is not as a patch leaves it"
timeout 60 wine "$fixture" patched "$second_win" </dev/null || fail "the second install is not as a patch leaves it"
# The wizard's runs are in the journal: the tool undoes the first, byte for
# byte, and says what it did (the times of untouched files included).
cli="$build/quorvel-cli.exe"
status=$(timeout 60 wine "$cli" status "$first_win" </dev/null | tr -d '\r')
case $status in *"Patched by Quorvel: "*"Undo available"*) ;; *) fail "status after the wizard: $status" ;; esac
timeout 60 wine "$cli" undo "$first_win" </dev/null >/dev/null || fail "quorvel-cli.exe undo of the wizard's run failed"
timeout 60 wine "$fixture" unchanged "$first_win" </dev/null || fail "undo did not give back the first install"
echo "patched two generated installs through every page; exit code 0; the first undone by quorvel-cli.exe; screenshots in $shots"
