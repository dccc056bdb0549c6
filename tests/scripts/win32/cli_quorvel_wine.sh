#!/usr/bin/env bash
# cli_quorvel_wine.sh - quorvel-cli.exe under Wine, from outside: the main
# commands on the sample install folder, exit codes, Windows line ends, a
# product's default folder found on drive C: of the prefix, and the bytes the
# wizard's end-to-end run leaves in its test install.
#
#   bash tests/scripts/win32/cli_quorvel_wine.sh BUILD_DIR SOURCE_DIR
#
# Runs in the Wine prefix of WINEPREFIX (default BUILD_DIR/wineprefix).
set -u
build=$1
source=$2
exe=$build/quorvel-cli.exe
[ -f "$exe" ] || { echo "missing $exe"; exit 1; }
export WINEPREFIX=${WINEPREFIX:-$build/wineprefix}
export WINEDEBUG=-all
address=$(sed -n 's/.*legacyServerAddress\[\] = "\([^"]*\)".*/\1/p' "$source/product/WizardStrings.h")
host=$(sed -n 's/.*serviceHostName\[\] = "\([^"]*\)".*/\1/p' "$source/product/WizardStrings.h")

work=$(mktemp -d /tmp/quorvel-cli-wine.XXXXXX)
product_dir="$WINEPREFIX/drive_c/Talon Interceptor"
trap 'rm -rf "$work" "$product_dir"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
expect_eq() { [ "$1" = "$2" ] || fail "$3: expected [$2], got [$1]"; }
expect_has() { case "$1" in *"$2"*) ;; *) fail "$3: [$2] not in [$1]" ;; esac; }

# Runs the program; sets code, out and err (line ends as written).
run() {
    timeout 120 wine "$exe" "$@" > "$work/out" 2> "$work/err" < /dev/null
    code=$?
    out=$(cat "$work/out")
    err=$(cat "$work/err")
}
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

sample=$work/sample
bash "$source/examples/make-sample-install.sh" "$sample" > /dev/null || { echo "sample not written"; exit 1; }
cp -rp "$sample" "$work/pristine"
dir=$(windows_path "$sample")

run --version
expect_eq "$out" $'Quorvel 1.0.1r-2\r' "version, with a Windows line end"

run scan "$dir"
expect_eq "$code" 0 "scan exit code"
expect_has "$out" $'There are 5 files that need to be changed.\r\n\r\nClick on Next' "scan verdict"
expect_eq "$err" "" "scan stderr"

run scan --json "$dir"
expect_eq "$out" $'{"status":"Finished","visited":8,"matched":5,"message":""}\r' "scan --json"

run patch "$dir"
expect_eq "$code" 0 "patch exit code"
expect_has "$out" "5 files patched." "patch outcome"
expect_eq "$(wc -c < "$sample/Skirmish.exe")" "$(wc -c < "$work/pristine/Skirmish.exe")" "binary keeps its length"
expect_eq "$(wc -c < "$sample/Game.ini")" $(($(wc -c < "$work/pristine/Game.ini") - 2)) "Game.ini shrinks by two"
grep -q -a -F "$host" "$sample/NetPlay.dll" || fail "NetPlay.dll lacks the host name"
cmp -s "$sample/Maps/Arena.ini" "$work/pristine/Maps/Arena.ini" || fail "the subfolder was entered"

run report --old "$host" --new "$address" "$dir"
expect_eq "$code" 0 "report exit code"
expect_has "$out" "REPORT for directory \"$dir\":" "report heading"
expect_has "$out" $'    2 entries found total.\r' "report total"
run rewrite --old "$host" --new "$address" "$dir"
expect_eq "$code" 0 "rewrite exit code"
# The rewrite put the address back: the texts are as before the patch, the
# binaries hold the address and zero bytes where the host name ended.
cmp -s "$sample/Game.ini" "$work/pristine/Game.ini" || fail "rewrite did not restore Game.ini"

run scan "$(windows_path "$work/missing")"
expect_eq "$code" 1 "missing folder exit code"
expect_has "$err" "We were unable to scan the directory" "missing folder message"
run scan --bogus "$dir"
expect_eq "$code" 2 "bad usage exit code"
expect_has "$err" "quorvel-cli --help" "usage hint"
run scan --product 2 --channel box --prefix /x
expect_eq "$code" 2 "--prefix refused on Windows"

# A name that is a symbolic link on the host is a link under Wine too: left
# as it is, its target untouched, and counted as passed over.
links=$work/links
mkdir -p "$links"
printf 'host=%s\r\n' "$address" > "$work/outside.ini"
ln -s "$work/outside.ini" "$links/GAME.INI"
printf 'host=%s\r\n' "$address" > "$links/Net.cfg"
run patch "$(windows_path "$links")"
expect_eq "$code" 0 "linked file: exit code"
expect_has "$out" "Passed over, never read or written: 1 links, 0 special files" "linked file counted"
[ -L "$links/GAME.INI" ] || fail "the link was replaced by a file"
grep -q -F "$address" "$work/outside.ini" || fail "the link's target was patched"
grep -q -F "$host" "$links/Net.cfg" || fail "the file beside the link was not patched"

# Paths at and past MAX_PATH: every file the scan counts is rewritten.
for length in 252 300; do
    deep=$work
    while [ $((${#deep} + 1 + 100)) -lt $((length - 6)) ]; do deep=$deep/$(printf 'd%.0s' $(seq 100)); done
    deep=$deep/$(printf 'e%.0s' $(seq $((length - 6 - ${#deep} - 1))))
    mkdir -p "$deep"
    printf 'host=%s\r\n' "$address" > "$deep/a.ini"
    run patch "$(windows_path "$deep")"
    expect_eq "$code" 0 "path of $length characters: exit code ($err)"
    expect_has "$out" "1 file patched." "path of $length characters patched"
done

# The download folder of row 2 is C:\Talon Interceptor: Wine's drive C:.
cp -rp "$work/pristine" "$product_dir"
run patch --json --product "Talon Interceptor" --channel download
expect_eq "$out" $'{"status":"Finished","visited":8,"matched":5,"message":""}\r' "product folder on drive C:"
grep -q -a -F "$address" "$product_dir/Game.ini" && fail "the product folder was not patched"

# The wizard's own test install, which its end-to-end run patches through
# the pages: quorvel-cli.exe must leave exactly the bytes that run leaves.
maker=$build/tests/bin/qv_install_dir.exe
if [ -f "$maker" ]; then
    game=$(windows_path "$work/game")
    timeout 120 wine "$maker" make "$game" < /dev/null || fail "the wizard's test install was not made"
    run patch "$game"
    expect_eq "$code" 0 "patch of the wizard's test install"
    problems=$(timeout 120 wine "$maker" patched "$game" < /dev/null) || fail "not as the wizard leaves it: $problems"
else
    fail "missing $maker"
fi

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "all quorvel-cli.exe checks passed"
