#!/usr/bin/env bash
# patch-sample.sh - builds the quorvel command-line tool (native) and shows
# it at work on a made-up sample install folder in a scratch folder: what
# the scan finds, what the patch changes, and how to go on. ./run.sh runs
# this when there is no display to show the wizard on.
#
#   examples/patch-sample.sh [SCRATCH_DIR]
#
# SCRATCH_DIR (default: a new folder under $TMPDIR or /tmp) must not hold a
# "Sample Game" folder yet; it is kept so that you can look at the result.
set -eu
cd "$(dirname "$0")/.."

build=build/run-native
echo "== Building the command-line tool (native) in $build"
# Tests and benchmarks off: they need packages the tool does not.
cmake --preset native -B "$build" -DQV_BUILD_TESTS=OFF -DQV_BUILD_BENCH=OFF > /dev/null
cmake --build "$build" --target quorvel -j2 > /dev/null
quorvel=$PWD/$build/quorvel

scratch=${1:-$(mktemp -d "${TMPDIR:-/tmp}/quorvel-sample.XXXXXX")}
sample="$scratch/Sample Game"
mkdir -p "$scratch"
bash examples/make-sample-install.sh "$sample" > /dev/null
cp -rp "$sample" "$scratch/original"
echo "== A made-up install folder: $sample"
(cd "$sample" && ls -l | tail -n +2 | awk '{ printf "   %8s  %s\n", $5, substr($0, index($0, $9)) }')

echo
echo "== quorvel scan -v \"$sample\""
# Exit status 3: files need patching.
"$quorvel" scan -v "$sample" || [ $? -eq 3 ]
echo
echo "== quorvel patch \"$sample\""
"$quorvel" patch "$sample"

echo
echo "== What the patch did (compared with a copy taken before)"
for path in "$scratch/original"/*; do
    name=${path##*/}
    if [ -d "$path" ]; then
        printf '   %-14s folder, not entered\n' "$name"
    elif cmp -s "$path" "$sample/$name"; then
        printf '   %-14s unchanged\n' "$name"
    else
        printf '   %-14s rewritten, %s bytes -> %s bytes\n' "$name" "$(wc -c < "$path")" "$(wc -c < "$sample/$name")"
    fi
done
echo
echo "The patched folder stays in $scratch (the copy before the patch is \"original\")."
old=$(sed -n 's/.*legacyServerAddress\[\] = "\([^"]*\)".*/\1/p' product/WizardStrings.h)
new=$(sed -n 's/.*serviceHostName\[\] = "\([^"]*\)".*/\1/p' product/WizardStrings.h)
echo "Try also: $quorvel report --old $old --new $new \"$scratch/original\""
echo "          $quorvel find        (the products installed in your Wine and Steam prefixes)"
echo "          $quorvel --help"
echo
echo "To open the wizard itself, run ./run.sh from a terminal of your desktop session"
echo "(or over ssh -X): with a display it starts Quorvel.exe under Wine."
