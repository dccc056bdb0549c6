#!/usr/bin/env bash
# kill_during_patch.sh - kill -9 at random moments of a real `quorvel patch`
# over a folder of large files, then any verb on the folder: every file must
# then hold either its original or its patched bytes, all of them the same
# way, with no temporary file left; then undo gives back the originals.
# Many trials in one test, within a time bound.
#
#   bash kill_during_patch.sh BUILD_DIR SOURCE_DIR
set -u
build=$1
exe=$build/quorvel
address=$(sed -n 's/.*legacyServerAddress\[\] = "\([^"]*\)".*/\1/p' "$2/product/WizardStrings.h")
[ -x "$exe" ] || { echo "missing $exe"; exit 1; }

work=$(mktemp -d /tmp/quorvel-kill.XXXXXX)
trap 'rm -rf "$work"' EXIT
export XDG_STATE_HOME=$work/state
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Four large binaries and four text files, each holding the address.
mkdir -p "$work/orig"
for i in 1 2 3 4; do
    { head -c $((3000000 + i * 1000)) /dev/urandom; printf '%s' "$address"; head -c 1000000 /dev/urandom; } \
        > "$work/orig/Part$i.DLL"
    { for j in $(seq 1 2000); do printf 'host%d=%s\r\n' "$j" "$address"; done; } > "$work/orig/net$i.ini"
done
# The patched forms, from one whole run.
cp -a "$work/orig" "$work/ref"
"$exe" patch -q "$work/ref" || { echo "the reference run failed"; exit 1; }
start=$(date +%s%N)
cp -a "$work/orig" "$work/time" && "$exe" patch -q "$work/time" > /dev/null
span=$((($(date +%s%N) - start) / 1000000 + 20)) # ms: a whole run and a little more

# 0 all original, 1 all patched, 2 mixed or a temporary left.
state_of() {
    local folder=$1 same_orig=0 same_ref=0 count=0 f
    for f in "$work/orig"/*; do
        count=$((count + 1))
        cmp -s "$f" "$folder/${f##*/}" && same_orig=$((same_orig + 1))
        cmp -s "$work/ref/${f##*/}" "$folder/${f##*/}" && same_ref=$((same_ref + 1))
    done
    [ "$(ls -A "$folder" | wc -l)" -eq "$count" ] || { echo 2; return; }
    if [ "$same_orig" -eq "$count" ]; then echo 0; elif [ "$same_ref" -eq "$count" ]; then echo 1; else echo 2; fi
}

verbs=("status" "scan" "patch -n" "undo -n" "status --json")
deadline=$(($(date +%s) + 90))
trials=0 old=0 new=0
while [ "$trials" -lt 30 ] && [ "$(date +%s)" -lt "$deadline" ]; do
    trials=$((trials + 1))
    rm -rf "$work/inst" && cp -a "$work/orig" "$work/inst"
    "$exe" patch -q "$work/inst" > /dev/null 2>&1 &
    pid=$!
    sleep "$(awk -v r="$RANDOM" -v s="$span" 'BEGIN { printf "%.3f", r / 32768 * s / 1000 }')"
    kill -9 "$pid" 2> /dev/null
    wait "$pid" 2> /dev/null
    verb=${verbs[$((RANDOM % ${#verbs[@]}))]}
    # shellcheck disable=SC2086 # the verb's words
    "$exe" $verb "$work/inst" > "$work/out" 2>&1
    code=$?
    [ "$code" -le 3 ] || fail "trial $trials: $verb exited $code: $(cat "$work/out")"
    state=$(state_of "$work/inst")
    case $state in
    0) old=$((old + 1)) ;;
    1)
        new=$((new + 1))
        "$exe" undo -q "$work/inst" || fail "trial $trials: undo after a completed run failed"
        [ "$(state_of "$work/inst")" = 0 ] || fail "trial $trials: undo did not give back the originals"
        ;;
    *) fail "trial $trials ($verb after the kill): files disagree or a temporary was left: $(ls -A "$work/inst")" ;;
    esac
done
echo "kill -9 trials: $trials, all original: $old, all patched: $new"
[ "$trials" -ge 10 ] || fail "only $trials trials in the time bound"
[ "$failures" -eq 0 ] || { echo "$failures failures"; exit 1; }
