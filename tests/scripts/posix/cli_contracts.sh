#!/usr/bin/env bash
# cli_contracts.sh - the quorvel tool's contracts with scripts, over real
# processes: exit codes, what goes to which stream, JSON Lines read by a real
# JSON parser (names with any byte included), a closed pipe, find, and the
# progress line on a terminal; then the hostile cases of a rewrite: links,
# paths past MAX_PATH, special files, two runs on one folder, and signals
# and kill -9 during a large write. One table for both platforms; the
# details of each verb are tested in process (tests/cli/CliProgramTest.cpp).
#
#   bash cli_contracts.sh BUILD_DIR SOURCE_DIR [wine]
#
# With "wine" the program is quorvel-cli.exe under Wine, in the prefix of
# WINEPREFIX (default BUILD_DIR/wineprefix), given Windows paths (Z:\...).
set -u
build=$1
source=$2
mode=${3:-native}
version=$(sed -n 's/.*QUORVEL_VERSION_TEXT "\([^"]*\)".*/\1/p' "$build/product/QuorvelVersion.h")
address=$(sed -n 's/.*legacyServerAddress\[\] = "\([^"]*\)".*/\1/p' "$source/product/WizardStrings.h")
host=$(sed -n 's/.*serviceHostName\[\] = "\([^"]*\)".*/\1/p' "$source/product/WizardStrings.h")

if [ "$mode" = wine ]; then
    exe=$build/quorvel-cli.exe
    name=quorvel-cli
    export WINEPREFIX=${WINEPREFIX:-$build/wineprefix} WINEDEBUG=-all
    quorvel() { timeout 120 wine "$exe" "$@"; }
    path() { printf 'Z:%s' "${1//\//\\}"; }
    # The system's words are Wine's (FormatMessage).
    not_found="File not found."
    not_folder="Directory name invalid."
else
    exe=$build/quorvel
    name=quorvel
    quorvel() { "$exe" "$@"; }
    path() { printf '%s' "$1"; }
    not_found="No such file or directory"
    not_folder="Not a directory"
fi
[ -f "$exe" ] || { echo "missing $exe"; exit 1; }
command -v python3 > /dev/null || { echo "python3 is needed to read the JSON"; exit 1; }

work=$(mktemp -d /tmp/quorvel-contracts.XXXXXX)
trap 'rm -rf "$work"' EXIT
# The runs keep their journal in the scratch folder, also when run by hand.
export XDG_STATE_HOME=$work/state
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Runs quorvel with the arguments after "--"; sets code, out and err
# (line ends as on Linux).
run() {
    quorvel "$@" > "$work/out" 2> "$work/err" < /dev/null
    code=$?
    # Now and then Wine's client loses its server while a process starts
    # ("wine client error: ... recvmsg"): the program never ran, so it runs
    # again, once.
    if [ "$mode" = wine ] && [ ! -s "$work/out" ] && grep -q '^wine client error' "$work/err"; then
        quorvel "$@" > "$work/out" 2> "$work/err" < /dev/null
        code=$?
    fi
    out=$(tr -d '\r' < "$work/out")
    err=$(tr -d '\r' < "$work/err")
}

# Checks a stream: "" empty, "=TEXT" exactly, "~TEXT" holding TEXT.
check_stream() {
    local what=$1 got=$2 want=$3
    case $want in
    "") [ -z "$got" ] || fail "$what: expected nothing, got [$got]" ;;
    =*) [ "$got" = "${want#=}" ] || fail "$what: expected [${want#=}], got [$got]" ;;
    ~*) case $got in *"${want#\~}"*) ;; *) fail "$what: [${want#\~}] not in [$got]" ;; esac ;;
    esac
}

# expect CODE OUT ERR -- ARGS...
expect() {
    local want=$1 wantOut=$2 wantErr=$3
    shift 4
    run "$@"
    [ "$code" = "$want" ] || fail "[$*] exit code: expected $want, got $code (stderr: $err)"
    check_stream "[$*] stdout" "$out" "$wantOut"
    check_stream "[$*] stderr" "$err" "$wantErr"
}

# expect_json CODE "KEY=VALUE ..." -- ARGS...: every line of standard output
# is a JSON object with a type; the last is the summary, whose exit is CODE
# and whose KEYs hold the VALUEs (as Python prints them; KEY.KEY for a field
# of an object).
expect_json() {
    local want=$1 fields=$2
    shift 3
    run "$@"
    [ "$code" = "$want" ] || fail "[$*] exit code: expected $want, got $code (stderr: $err)"
    python3 - "$work/out" "$want" $fields <<'EOF' || fail "[$*] JSON Lines"
import json, sys
lines = open(sys.argv[1], "rb").read().decode("utf-8").splitlines()
objects = [json.loads(line) for line in lines]
assert objects and all(isinstance(o, dict) and "type" in o for o in objects), lines
summary = objects[-1]
assert summary["type"] == "summary" and summary["exit"] == int(sys.argv[2]), summary
for field in sys.argv[3:]:
    key, value = field.split("=", 1)
    got = summary
    for part in key.split("."):
        got = got[part]
    assert str(got) == value, (key, got, value)
EOF
}

sample=$work/sample
bash "$source/examples/make-sample-install.sh" "$sample" > /dev/null || { echo "sample not written"; exit 1; }
cp -rp "$sample" "$work/pristine"
S=$(path "$sample")
missing=$(path "$work/missing")
file=$(path "$sample/Game.ini")
usage="Try '$name --help' for more information."

expect 3 "=5 files need patching." "" -- scan "$S"
expect 3 "" "" -- scan -q "$S"
expect 0 "~Dry run: 5 files would be patched; nothing was written." "" -- patch -n "$S"
expect 0 "~REPORT for directory \"$S\":" "" -- report --old "$address" --new "$host" "$S"
expect 1 "" "=$name: $missing: $not_found" -- scan "$missing"
expect 1 "" "=$name: $file: $not_folder" -- report --old a --new b "$file"
expect 2 "" "=$name: the folder is an empty text
$usage" -- scan ""
expect 2 "" "=$name: option '--old' needs a value that is not empty
$usage" -- patch --old "" "$S"
expect 2 "" "~$usage" --
expect 2 "" "~unknown option '--frob'" -- scan --frob "$S"
expect 0 "=Quorvel $version" "" -- -V
expect 0 "~Exit status:" "" -- --help
expect_json 3 "result=needs_patching files=6 matched=5" -- scan --json "$S"
expect_json 0 "result=would_patch dry_run=True" -- patch --json -n "$S"
expect_json 0 "result=found matched=5" -- report --json --old "$address" --new "$host" "$S"
expect_json 0 "command=products products=11" -- products --json
expect_json 1 "result=refused" -- rewrite --json --strict --old "$address" --new "a.much.longer.host" "$S"
diff -r "$sample" "$work/pristine" > /dev/null || fail "a run that writes nothing changed files"
expect_json 0 "result=patched patched=5" -- patch --json "$S"
# Undo and status: the journal of the runs, outside the folder.
expect_json 0 "result=patched needs_patching=0 changed_since=0 undo_available=True" -- status --json "$S"
expect 0 "~Dry run: 5 files would be restored as before the run of " "" -- undo -n "$S"
expect 0 "~Restored 5 files as before the run of " "" -- undo "$S"
diff -r "$sample" "$work/pristine" > /dev/null || fail "undo did not give back every byte"
expect 3 "=Needs patching: 5 files hold \"$address\"." "" -- status "$S"
expect 1 "" "~: no run of quorvel on this folder is left to undo" -- undo "$S"
expect 0 "~Patched 5 files; '$name undo' on this folder puts them back as they were." "" -- patch "$S"
# A file changed since is left alone and named; the others are given back.
cp -p "$sample/Game.ini" "$work/Game.ini"
printf 'edited\r\n' >> "$sample/Game.ini"
expect 1 "~Restored 4 files as before the run of " "~$(path "$sample/Game.ini"): changed since the run; left alone" -- undo "$S"
cp -p "$work/Game.ini" "$sample/Game.ini"
expect 3 "=Needs patching: 4 files hold \"$address\"." "" -- status "$S"
expect_json 0 "result=patched patched=4" -- patch --json "$S"

# A closed output pipe ends the run between two files: exit 141, each file
# old or new, nothing left behind.
many=$work/many
mkdir -p "$many"
for i in $(seq 1 200); do printf 'server=%s\r\n' "$address" > "$many/f$i.ini"; done
quorvel rewrite --old "$address" --new "$host" "$(path "$many")" 2> /dev/null | head -1 > /dev/null
codes=("${PIPESTATUS[@]}")
[ "${codes[0]}" = 141 ] || fail "rewrite into a closed pipe: exit ${codes[0]}, not 141"
[ "$(ls "$many" | wc -l)" = 200 ] || fail "a closed pipe left files behind"
for f in "$many"/*; do
    case $(cat "$f") in "server=$address"$'\r' | "server=$host"$'\r') ;; *) fail "$f half rewritten" ;; esac
done

# find: an install in a generated place; a damaged Steam list is skipped
# with a warning.
mkdir -p "$work/copies/Talon INT"
cp -p "$work/pristine"/*.* "$work/copies/Talon INT/"
expect_json 0 "installs=1 needs_patching=1" -- find --json --search "$(path "$work/copies")"

if [ "$mode" = native ]; then
    # Names with bytes that could steer a terminal, or that are not UTF-8.
    odd=$work/odd
    mkdir -p "$odd"
    printf '%s' "$address" > "$odd/esc"$'\e'"[31m.ini"
    printf '%s' "$address" > "$odd/caf"$'\xe9'".ini"
    expect 3 "~$odd/esc\\x1b[31m.ini: needs patching" "" -- scan -v "$odd"
    expect_json 3 "matched=2" -- scan --json "$odd"
    grep -q $'\e' "$work/out" && fail "an escape byte reached standard output raw"

    home=$work/home
    mkdir -p "$home/.wine/drive_c/Program Files/Quellsoft" "$home/.steam/steam/steamapps"
    cp -rp "$work/pristine" "$home/.wine/drive_c/Program Files/Quellsoft/Talon INT"
    printf '"libraryfolders" { "0" { "path" "/x }' > "$home/.steam/steam/steamapps/libraryfolders.vdf"
    HOME=$home WINEPREFIX= XDG_DATA_HOME= expect_json 0 "installs=1 skipped_files=1" -- find --json
    check_stream "find stderr" "$err" "~warning: $home/.steam/steam/steamapps/libraryfolders.vdf: line 1: "
    HOME=$home WINEPREFIX= XDG_DATA_HOME= expect 3 "~Talon Interceptor (box copy): " "~warning:" -- scan --product 2

    # The progress line appears on a terminal only.
    if command -v script > /dev/null; then
        script -q -e -c "$exe scan $work/pristine > $work/tty-out" "$work/typescript" > /dev/null 2>&1
        check_stream "progress on a terminal" "$(cat "$work/typescript")" "~Scanning "
    fi
fi

# A name that is a symbolic link (under Wine too, which shows it as the file
# it leads to) is left as it is, its target untouched, and counted; the file
# beside it is patched.
links=$work/links
mkdir -p "$links"
printf 'host=%s\r\n' "$address" > "$work/outside.ini"
ln -s "$work/outside.ini" "$links/GAME.INI"
printf 'host=%s\r\n' "$address" > "$links/Net.cfg"
expect_json 3 "matched=1 passed_over.links=1 passed_over.special=0" -- scan --json "$(path "$links")"
expect 0 "=Patched 1 file; '$name undo' on this folder puts it back as it was." "=$name: warning: $(path "$links"): passed over, never read or written: 1 link, 0 special files" \
    -- patch "$(path "$links")"
[ -L "$links/GAME.INI" ] || fail "the link was replaced by a file"
grep -q -F "$address" "$work/outside.ini" || fail "the link's target was patched"
grep -q -F "$host" "$links/Net.cfg" || fail "the file beside the link was not patched"

# Paths at and past MAX_PATH (as Windows counts them): every file the scan
# counts is rewritten.
for length in 252 300; do
    deep=$work
    while [ $((${#deep} + 1 + 100)) -lt $((length - 6)) ]; do deep=$deep/$(printf 'd%.0s' $(seq 100)); done
    deep=$deep/$(printf 'e%.0s' $(seq $((length - 6 - ${#deep} - 1))))
    mkdir -p "$deep"
    printf 'host=%s\r\n' "$address" > "$deep/a.ini"
    expect 0 "=Patched 1 file; '$name undo' on this folder puts it back as it was." "" -- patch "$(path "$deep")"
done

if [ "$mode" = native ]; then
    # Special files named like settings files, a FIFO that would wait for a
    # writer for ever and a socket that cannot be opened, are passed over and
    # counted: the run neither hangs nor fails on them.
    special=$work/special
    cp -rp "$work/pristine" "$special"
    python3 -c 'import socket, sys; socket.socket(socket.AF_UNIX).bind(sys.argv[1])' "$special/Keys.ini"
    mkfifo "$special/Pipe.cfg"
    quorvel() { timeout -s KILL 20 "$exe" "$@"; }
    expect 0 "=Patched 5 files; '$name undo' on this folder puts them back as they were." "=$name: warning: $special: passed over, never read or written: 0 links, 2 special files" \
        -- patch "$special"
    quorvel() { "$exe" "$@"; }

    # Two runs on one folder at once never interleave: the second waits for
    # the first (or, after a while, refuses); no file loses either run's
    # change.
    both=$work/both
    mkdir -p "$both"
    filler=$(head -c 200000 /dev/zero | tr '\0' '-')
    for i in $(seq 10 69); do printf '%s\r\nfirst=one.old\r\nsecond=two.old\r\n' "$filler" > "$both/f$i.ini"; done
    "$exe" patch --old one.old --new one.new "$both" > /dev/null 2> "$work/a-err" &
    first=$!
    "$exe" patch --old two.old --new two.new "$both" > /dev/null 2> "$work/b-err" &
    second=$!
    wait "$first"
    first_code=$?
    wait "$second"
    second_code=$?
    for outcome in "$first_code:$work/a-err:one" "$second_code:$work/b-err:two"; do
        IFS=: read -r rc errfile word <<< "$outcome"
        if [ "$rc" = 0 ]; then
            [ "$(grep -l "$word.new" "$both"/*.ini | wc -l)" = 60 ] || fail "a change of run '$word' was lost"
        else
            check_stream "refused run '$word'" "$(cat "$errfile")" "=$name: another run of quorvel is working on this folder; try again when it has ended"
        fi
    done
    [ "$first_code$second_code" != 11 ] || fail "both runs refused"

    # Signals during a large write end the run with 128 plus their number,
    # the file as it was (or, when the signal came while it took its place,
    # patched: never in between) and no temporary file left. Killed
    # outright, the run leaves its temporary file, which the next run
    # removes and tells of.
    big=$work/big
    mkdir -p "$big"
    for signal in INT:130 TERM:143 HUP:129 KILL:; do
        head -c 32000000 /dev/zero > "$big/Huge.dll"
        printf '%s' "$address" >> "$big/Huge.dll"
        "$exe" patch "$big" > /dev/null 2> "$work/err" &
        pid=$!
        for _ in $(seq 1000); do
            ls -A "$big" | grep -q '^\.qv[0-9a-f]\{8\}\.tmp$' && break
            sleep 0.01
        done
        kill -s "${signal%:*}" "$pid"
        { wait "$pid"; } 2> /dev/null
        got=$?
        if [ "${signal%:*}" != KILL ]; then
            [ "$got" = "${signal#*:}" ] || [ "$got" = 0 ] || fail "SIG${signal%:*}: exit $got, not ${signal#*:}"
            if grep -q -a -F "$address" "$big/Huge.dll"; then
                check_stream "SIG${signal%:*} stderr" "$(cat "$work/err")" "=$name: interrupted; no file was changed"
            else
                grep -q -a -F "$host" "$big/Huge.dll" || fail "SIG${signal%:*}: Huge.dll is neither old nor new"
            fi
            [ "$(ls -A "$big")" = Huge.dll ] || fail "SIG${signal%:*} left a temporary file: $(ls -A "$big")"
        elif ls -A "$big" | grep -q '\.tmp$'; then
            expect 3 "=1 file needs patching." "=$name: $big: removed 1 temporary file left by an interrupted run" \
                -- scan "$big"
            [ "$(ls -A "$big")" = Huge.dll ] || fail "the stale temporary file was not removed"
        else
            echo "note: the killed run left no temporary file to remove (it ended first)"
        fi
    done
fi

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "all contracts of $name held"
