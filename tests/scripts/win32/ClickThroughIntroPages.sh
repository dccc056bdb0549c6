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
shots="$build/screenshots/intro-pages"
. "$(dirname "$0")/lib.sh"

start_quorvel
trap stop_quorvel EXIT

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
is_shown "$(title_of 'EULA Screen')" || fail "Next left EULA before acceptance"
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
is_shown "$(title_of 'Arcavia Notice')" || fail "Next left ARCAVIA"

click_du "$arcavia" $back
vender=$(wait_window "$(title_of 'Vender Screen')") || fail "Back on ARCAVIA did not return to VENDER"
click_du "$vender" $exit_button
answer_question n 08-exit-question
vender=$(wait_window "$(title_of 'Vender Screen')") || fail "No closed the page"
click_du "$vender" $exit_button
answer_question y 08-exit-question
wait_gone "$(title_of 'Vender Screen')" || fail "Yes did not end the wizard"

expect_exit_zero "Yes"
echo "clicked through TITLE, README, EULA, VENDER and ARCAVIA; exit code 0; screenshots in $shots"
