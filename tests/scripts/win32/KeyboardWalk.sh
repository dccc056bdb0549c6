#!/usr/bin/env bash
# Starts the real Quorvel.exe on the test display and patches a generated
# game install with the keyboard alone (xdotool keys, no mouse), as a person
# without a mouse would:
#
#   TITLE        Enter (the focus starts on Next)
#   EULA         Esc, answered n (the page stays); Tab to the agreement's
#                choice, Down to accept it, Enter for Next
#   VENDER       Space marks the download store (the focus starts on the top
#                choice), Enter
#   SELECTPRODUCT Home chooses the first title, "Kestrel Strike", Enter
#   SETDIR       Enter: its download folder, "C:\Kestrel Strike", where the
#                install lies
#   SCANRESULTS  Enter (the focus starts on Next)
#   DONE         Enter on "Finished!", which ends the program with exit code 0
#
# Then the install is checked byte for byte by qv_install_dir. A screenshot of
# every page goes to <build dir>/screenshots/keyboard-walk/.
#
#   KeyboardWalk.sh <build dir> <source dir>
#
# DISPLAY and WINEPREFIX come from the environment (test.sh sets both).
set -u
build=$1
shots="$build/screenshots/keyboard-walk"
. "$(dirname "$0")/lib.sh"
fixture="$build/tests/bin/qv_install_dir.exe"
[ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX/drive_c" ] || fail "WINEPREFIX does not name a booted Wine prefix"
[ -f "$fixture" ] || fail "missing $fixture"

install_win='C:\Kestrel Strike'
install_unix="$WINEPREFIX/drive_c/Kestrel Strike"
cleanup() {
  stop_quorvel
  rm -rf "$install_unix"
}
trap cleanup EXIT
rm -rf "$install_unix"
timeout 60 wine "$fixture" make "$install_win" </dev/null || fail "cannot make $install_win"

start_quorvel

# Waits for the page, gives its window the keyboard, takes its picture.
page() {
  local name=$1 shot_name=$2 window
  window=$(wait_window "$(title_of "$name")") || fail "$name did not open"
  xdotool windowfocus --sync "$window" 2>/dev/null || true
  shot "$window" "$shot_name"
  echo "$window"
}
keys() {
  xdotool key --clearmodifiers --delay 150 "$@"
  sleep 0.4
}

title=$(page 'Title Screen' 00-title) || exit 1
keys Return

eula=$(page 'EULA Screen' 02-eula) || exit 1
keys Escape
answer_question n 02-eula-exit-question
eula=$(page 'EULA Screen' 02-eula-after-no) || exit 1
keys Tab Down
shot "$eula" 02-eula-accepted
keys Return

vender=$(page 'Vender Screen' 03-vender) || exit 1
keys space
shot "$vender" 03-vender-download-store
keys Return

select=$(page 'Product selection screen' 05-selectproduct) || exit 1
keys Home
shot "$select" 05-selectproduct-first-title
keys Return

setdir=$(page 'Directory Selection' 06-setdir) || exit 1
keys Return

# SCAN and CONVERTFILES may pass too quickly to be seen; the pages after them
# are what the walk waits for.
results=$(page 'Scan Results' 08-scanresults) || exit 1
keys Return
done_page=$(page 'Patch Results' 10-done) || exit 1
keys Return

expect_exit_zero "Enter on Finished!"
timeout 60 wine "$fixture" patched "$install_win" </dev/null || fail "the install is not as a patch leaves it"
echo "patched a generated install with the keyboard alone; exit code 0; screenshots in $shots"
