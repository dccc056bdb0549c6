#!/usr/bin/env bash
# cli_contracts.sh - the quorvel tool's contracts with scripts, over real
# processes: exit codes, what goes to which stream, JSON Lines read by a real
# JSON parser (names with any byte included), a closed pipe, signals, find,
# and the progress line on a terminal. One table for both platforms; the
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
else
    exe=$build/quorvel
    name=quorvel
    quorvel() { "$exe" "$@"; }
    path() { printf '%s' "$1"; }
fi
[ -f "$exe" ] || { echo "missing $exe"; exit 1; }
command -v python3 > /dev/null || { echo "python3 is needed to read the JSON"; exit 1; }

work=$(mktemp -d /tmp/quorvel-contracts.XXXXXX)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Runs quorvel with the arguments after "--"; sets code, out and err
# (line ends as on Linux).
run() {
    quorvel "$@" > "$work/out" 2> "$work/err" < /dev/null
    code=$?
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
# and whose KEYs hold the VALUEs (as Python prints them).
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
    assert str(summary[key]) == value, (key, summary[key], value)
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
expect 1 "" "=$name: $missing: No such file or directory" -- scan "$missing"
expect 1 "" "=$name: $file: Not a directory" -- report --old a --new b "$file"
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
expect_json 0 "result=nothing_to_patch" -- patch --json "$S"

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

    # Signals stop a long run between two pieces of work: 130 and 143. A
    # sparse file read from a cold cache keeps the scan busy for seconds.
    slow=$work/slow
    mkdir -p "$slow"
    truncate -s 1500M "$slow/big.dll"
    for signal in INT:130 TERM:143; do
        python3 -c 'import os, sys; fd = os.open(sys.argv[1], os.O_RDONLY); os.posix_fadvise(fd, 0, 0, os.POSIX_FADV_DONTNEED)' \
            "$slow/big.dll"
        "$exe" scan -v "$slow" > /dev/null 2> "$work/err" &
        pid=$!
        sleep 0.3
        if kill -s "${signal%:*}" "$pid" 2> /dev/null; then
            wait "$pid"
            got=$?
            [ "$got" = "${signal#*:}" ] || fail "SIG${signal%:*}: exit $got, not ${signal#*:}"
            check_stream "SIG${signal%:*} stderr" "$(cat "$work/err")" "=$name: interrupted; no file was changed"
        else
            wait "$pid"
            echo "note: the scan ended before SIG${signal%:*} came; not checked"
        fi
    done

    # The progress line appears on a terminal only.
    if command -v script > /dev/null; then
        script -q -e -c "$exe scan $work/pristine > $work/tty-out" "$work/typescript" > /dev/null 2>&1
        check_stream "progress on a terminal" "$(cat "$work/typescript")" "~Scanning "
    fi
fi

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "all contracts of $name held"
