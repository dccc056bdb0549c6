#!/usr/bin/env bash
# cli_quorvel.sh - the quorvel program from outside, as a script or a person
# runs it: streams, exit codes, the files it leaves, product folders inside a
# Wine prefix from the real environment, and the progress line on a real
# terminal. The details of every command are tested in process
# (tests/cli/CliProgramTest.cpp).
#
#   bash tests/scripts/posix/cli_quorvel.sh BUILD_DIR SOURCE_DIR
set -u
build=$1
source=$2
quorvel=$build/quorvel
[ -x "$quorvel" ] || { echo "missing $quorvel"; exit 1; }
address=$(sed -n 's/.*legacyServerAddress\[\] = "\([^"]*\)".*/\1/p' "$source/product/WizardStrings.h")
host=$(sed -n 's/.*serviceHostName\[\] = "\([^"]*\)".*/\1/p' "$source/product/WizardStrings.h")

work=$(mktemp -d /tmp/quorvel-cli-test.XXXXXX)
trap 'chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
expect_eq() { [ "$1" = "$2" ] || fail "$3: expected [$2], got [$1]"; }
expect_has() { case "$1" in *"$2"*) ;; *) fail "$3: [$2] not in [$1]" ;; esac; }

# Runs quorvel; sets code, out and err.
run() {
    "$quorvel" "$@" > "$work/out" 2> "$work/err"
    code=$?
    out=$(cat "$work/out")
    err=$(cat "$work/err")
}

sample=$work/sample
bash "$source/examples/make-sample-install.sh" "$sample" > /dev/null || { echo "sample not written"; exit 1; }
cp -rp "$sample" "$work/pristine"

# scan: the verdict and counts on stdout, nothing on stderr, nothing written.
run scan "$sample"
expect_eq "$code" 0 "scan exit code"
expect_eq "$err" "" "scan stderr"
expect_has "$out" "There are 5 files that need to be changed." "scan verdict"
expect_has "$out" "Entries looked at: 8, files that need to be changed: 5" "scan counts"
[ "$(grep -c $'\r' "$work/out")" = 0 ] || fail "scan output has CR line ends"
diff -r "$sample" "$work/pristine" > /dev/null || fail "scan changed files"

run scan --json "$sample"
expect_eq "$out" '{"status":"Finished","visited":8,"matched":5,"message":""}' "scan --json"

# patch --dry-run writes nothing; patch rewrites the five files.
run patch --dry-run "$sample"
expect_eq "$code" 0 "dry run exit code"
diff -r "$sample" "$work/pristine" > /dev/null || fail "dry run changed files"
run patch "$sample"
expect_eq "$code" 0 "patch exit code"
expect_has "$out" "5 files patched." "patch outcome"
expect_eq "$err" "" "patch stderr"
for f in Skirmish.exe NetPlay.dll Render.dll; do
    expect_eq "$(wc -c < "$sample/$f")" "$(wc -c < "$work/pristine/$f")" "$f keeps its length"
done
expect_eq "$(wc -c < "$sample/Game.ini")" $(($(wc -c < "$work/pristine/Game.ini") - 2)) "Game.ini shrinks by two"
grep -q -a -F "$address" "$sample/Skirmish.exe" && fail "Skirmish.exe still holds the address"
grep -q -a -F "$host" "$sample/NetPlay.dll" || fail "NetPlay.dll lacks the host name"
cmp -s "$sample/ReadMe.txt" "$work/pristine/ReadMe.txt" || fail "ReadMe.txt was changed"
cmp -s "$sample/Maps/Arena.ini" "$work/pristine/Maps/Arena.ini" || fail "Maps/Arena.ini was changed"
run patch --json "$sample"
expect_eq "$out" '{"status":"Finished","visited":8,"matched":0,"message":""}' "second patch"

# A missing folder: the job's message on stderr, exit 1.
run scan "$work/missing"
expect_eq "$code" 1 "missing folder exit code"
expect_eq "$out" "" "missing folder stdout"
expect_has "$err" "We were unable to scan the directory \"$work/missing\"!" "missing folder message"

# Bad usage: exit 2 with a hint, nothing run.
for args in "" "scan" "frob $sample" "report $sample" "scan --dry-run $sample" "products extra"; do
    # shellcheck disable=SC2086
    run $args
    expect_eq "$code" 2 "usage [$args] exit code"
    expect_has "$err" "--help" "usage [$args] hint"
done
run --version
expect_eq "$out" "Quorvel 1.0.1r-2" "version"
run products
expect_has "$out" " 2  Talon Interceptor " "products"

# Special files named like settings files, a FIFO that would wait for a
# writer for ever and a socket that cannot be opened, are passed over and
# counted: the run neither hangs nor fails on them.
rm -rf "$sample" && cp -rp "$work/pristine" "$sample"
if command -v python3 > /dev/null; then
    python3 -c 'import socket, sys; socket.socket(socket.AF_UNIX).bind(sys.argv[1])' "$sample/Keys.ini"
    mkfifo "$sample/Pipe.cfg"
    timeout -s KILL 20 "$quorvel" patch "$sample" > "$work/out" 2> "$work/err" < /dev/null
    code=$?
    out=$(cat "$work/out")
    expect_eq "$code" 0 "special files exit code"
    expect_has "$out" "Passed over, never read or written: 0 links, 2 special files" "special files counted"
    expect_has "$out" "5 files patched." "special files: the rest patched"
    rm -f "$sample/Keys.ini" "$sample/Pipe.cfg"
fi
# Two runs on one folder at once never interleave: the second waits for the
# first (or, after a while, refuses); no file loses either run's change.
both=$work/both
mkdir -p "$both"
filler=$(head -c 200000 /dev/zero | tr '\0' '-')
for i in $(seq 10 69); do printf '%s\r\nfirst=one.old\r\nsecond=two.old\r\n' "$filler" > "$both/f$i.ini"; done
"$quorvel" patch --old one.old --new one.new "$both" > "$work/a-out" 2> "$work/a-err" &
first=$!
"$quorvel" patch --old two.old --new two.new "$both" > "$work/b-out" 2> "$work/b-err" &
second=$!
wait "$first"; first_code=$?
wait "$second"; second_code=$?
for run_code in "$first_code:$work/a-err:one" "$second_code:$work/b-err:two"; do
    IFS=: read -r rc errfile word <<< "$run_code"
    if [ "$rc" = 0 ]; then
        [ "$(grep -l "$word.new" "$both"/*.ini | wc -l)" = 60 ] || fail "a change of run '$word' was lost"
    else
        expect_has "$(cat "$errfile")" "Another copy of Quorvel is working on the directory" "refused run '$word'"
    fi
done
[ "$first_code$second_code" != 11 ] || fail "both runs refused"

# Ended by SIGTERM while a large file is written: the run says so and
# leaves no temporary file. Killed outright: the next run removes the
# temporary file and says so.
big=$work/big
mkdir -p "$big"
head -c 32000000 /dev/zero > "$big/Huge.dll"
printf '%s' "$address" >> "$big/Huge.dll"
for signal in TERM KILL; do
    "$quorvel" patch "$big" > "$work/out" 2> "$work/err" &
    pid=$!
    for _ in $(seq 1000); do
        ls -A "$big" | grep -q '\.qv[0-9a-f]\{8\}\.tmp$' && break
        sleep 0.01
    done
    kill -s "$signal" "$pid"
    { wait "$pid"; } 2> /dev/null
    code=$?
    if [ "$signal" = TERM ]; then
        # Stopped with the file as it was, or (the signal came while it
        # took its place) finished with it patched: never in between.
        if [ "$code" = 1 ]; then
            expect_has "$(cat "$work/err")" "The run was interrupted." "SIGTERM message"
            grep -q -a -F "$address" "$big/Huge.dll" || fail "SIGTERM: the file changed although the run stopped"
        else
            expect_eq "$code" 0 "SIGTERM exit code"
            grep -q -a -F "$host" "$big/Huge.dll" || fail "SIGTERM: the run finished but the file is not patched"
        fi
        expect_eq "$(ls -A "$big")" "Huge.dll" "SIGTERM left a temporary file"
    elif ls -A "$big" | grep -q '\.tmp$'; then
        run scan "$big"
        expect_has "$out" "Removed 1 temporary file left by an interrupted run." "stale temporary reported"
        expect_eq "$(ls -A "$big")" "Huge.dll" "stale temporary removed"
    else
        echo "note: the killed run left no temporary file to remove (it ended first)"
    fi
    head -c 32000000 /dev/zero > "$big/Huge.dll"
    printf '%s' "$address" >> "$big/Huge.dll"
done

# Product folders inside a Wine prefix: given, and from the real WINEPREFIX
# and HOME variables.
prefix=$work/prefix
mkdir -p "$prefix/drive_c/Program Files/Quellsoft"
cp -rp "$work/pristine" "$prefix/drive_c/Program Files/Quellsoft/Talon INT"
run scan --product "Talon Interceptor" --channel box --prefix "$prefix"
expect_eq "$code" 0 "--prefix exit code"
expect_has "$out" "Scan results for \"Talon Interceptor\":" "--prefix heading"
expect_has "$out" "Directory: $prefix/drive_c/Program Files/Quellsoft/Talon INT" "--prefix folder"
out=$(WINEPREFIX=$prefix "$quorvel" scan --json --product 2 --channel box)
expect_eq "$out" '{"status":"Finished","visited":8,"matched":5,"message":""}' "WINEPREFIX"
mkdir -p "$work/home/.wine/drive_c"
cp -rp "$work/pristine" "$work/home/.wine/drive_c/talon interceptor" # Wine ignores case; so does the tool
out=$(env -u WINEPREFIX HOME=$work/home "$quorvel" scan --product 2 --channel download)
expect_has "$out" "Directory: $work/home/.wine/drive_c/talon interceptor" "HOME's prefix, letter case"

# The progress line appears on a terminal only, and is wiped at the end.
if command -v script > /dev/null; then
    script -q -e -c "$quorvel scan $work/pristine > $work/tty-out" "$work/typescript" > /dev/null 2>&1
    expect_has "$(cat "$work/typescript")" "Scanning files... " "progress on a terminal"
    expect_has "$(cat "$work/tty-out")" "There are 5 files" "stdout beside the terminal"
fi
run scan "$work/pristine"
expect_eq "$err" "" "no progress when stderr is a file"

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "all quorvel checks passed"
