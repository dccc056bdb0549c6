#!/usr/bin/env bash
# portable_zip.sh - the portable zip holds exactly the two programs and the
# read-me in one folder named after the version, the read-me byte for byte
# (CR LF kept), and its quorvel-cli.exe runs from wherever it is unpacked.
#
#   portable_zip.sh BUILD_DIR SOURCE_DIR PACKAGE_DIR VERSION
set -u
source=$2
packages=$3
version=$4
zip=$packages/Quorvel-$version-win64.zip
top=Quorvel-$version-win64

fail() { echo "FAIL: $*" >&2; exit 1; }
[ -f "$zip" ] || fail "missing $zip (run scripts/package.sh first)"
export WINEDEBUG=-all

expected=$(printf '%s\n' "$top/Quorvel.exe" "$top/ReadMe.txt" "$top/quorvel-cli.exe")
listed=$(unzip -Z1 "$zip" | LC_ALL=C sort)
[ "$listed" = "$expected" ] || fail "the zip holds [$listed], expected [$expected]"

work=$(mktemp -d /tmp/quorvel-zip-test.XXXXXX)
trap 'rm -rf "$work"' EXIT
unzip -q "$zip" -d "$work" || fail "unzip failed"
cmp -s "$work/$top/ReadMe.txt" "$source/resources/texts/ReadMe.txt" || fail "ReadMe.txt differs from the source's"
out=$(timeout 60 wine "$work/$top/quorvel-cli.exe" --version </dev/null | tr -d '\r')
case "$out" in "Quorvel ${version}") ;; *) fail "quorvel-cli.exe --version printed [$out]" ;; esac
echo "$zip holds exactly: $(echo $listed)"
