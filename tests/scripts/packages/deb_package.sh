#!/usr/bin/env bash
# deb_package.sh - the Debian package: lintian finds no error in it; its
# control fields declare Wine for the wizard only; unpacked into a scratch
# root, its quorvel runs --version and patches the wizard's generated test
# install (checked byte for byte by qv_install_dir), its man pages render,
# its shell completions are in place, and quorvel-wizard starts the
# packaged wizard under Wine up to its title page.
#
#   deb_package.sh BUILD_DIR SOURCE_DIR PACKAGE_DIR VERSION
#
# BUILD_DIR is the Windows build (for qv_install_dir.exe); DISPLAY and
# WINEPREFIX come from the environment (test.sh sets both).
set -u
build=$1
packages=$3
version=$4
deb=$(ls "$packages"/quorvel_"$version"_*.deb 2>/dev/null | head -1)
maker=$build/tests/bin/qv_install_dir.exe

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
[ -f "$deb" ] || { echo "FAIL: no quorvel_${version}_*.deb in $packages (run scripts/package.sh first)"; exit 1; }
[ -f "$maker" ] || { echo "FAIL: missing $maker"; exit 1; }
[ -n "${DISPLAY:-}" ] && [ -n "${WINEPREFIX:-}" ] || { echo "FAIL: DISPLAY and WINEPREFIX must be set"; exit 1; }
export WINEDEBUG=-all

# A space in the scratch root, as in many a home folder, tests the
# launcher's quoting.
work=$(mktemp -d "/tmp/quorvel deb test.XXXXXX")
pid=
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# Errors fail the test; warnings are shown for whoever reads the log.
lintian --fail-on error "$deb" 2>&1 | grep -v 'running with root privileges'
[ "${PIPESTATUS[0]}" -eq 0 ] || fail "lintian reports errors"

# Wine for the wizard is a recommendation; the tool itself needs none.
case "$(dpkg-deb -f "$deb" Depends)" in *wine*) fail "Depends names Wine" ;; esac
[ "$(dpkg-deb -f "$deb" Recommends)" = wine ] || fail "Recommends is not wine"

root=$work/root
dpkg-deb -x "$deb" "$root" || { echo "FAIL: dpkg-deb -x"; exit 1; }
for path in bin/quorvel bin/quorvel-wizard lib/quorvel/Quorvel.exe share/man/man1/quorvel.1.gz \
            share/man/man1/quorvel-wizard.1.gz share/applications/quorvel.desktop \
            share/icons/hicolor/48x48/apps/quorvel.png share/doc/quorvel/copyright \
            share/bash-completion/completions/quorvel share/zsh/vendor-completions/_quorvel; do
  [ -f "$root/usr/$path" ] || fail "the package has no /usr/$path"
done

out=$("$root/usr/bin/quorvel" --version)
case "$out" in "Quorvel ${version}") ;; *) fail "quorvel --version printed [$out]" ;; esac

game=$work/game
timeout 120 wine "$maker" make "$(winepath -w "$game")" </dev/null || fail "the test install was not made"
"$root/usr/bin/quorvel" patch "$game" >/dev/null || fail "quorvel patch ended with $?"
problems=$(timeout 120 wine "$maker" patched "$(winepath -w "$game")" </dev/null) ||
  fail "not as a patch leaves it: $problems"

# man -l renders each page; groff's warnings (-ww) count as failures.
for page in quorvel quorvel-wizard; do
  text=$(MANWIDTH=80 man --warnings -E UTF-8 -l "$root/usr/share/man/man1/$page.1.gz" 2>"$work/man.err")
  [ -s "$work/man.err" ] && fail "$page.1 renders with warnings: $(cat "$work/man.err")"
  case "$text" in *SYNOPSIS*"EXIT STATUS"*) ;; *) fail "$page.1 renders without its sections" ;; esac
done

# The launcher of the unpacked package runs its own copy of the wizard.
"$root/usr/bin/quorvel-wizard" </dev/null >/dev/null 2>&1 &
launcher=$!
window=
for i in $(seq 1 200); do
  window=$(xdotool search --onlyvisible --name "^Quorvel \\[.*\\]  Title Screen\$" 2>/dev/null | head -1)
  [ -n "$window" ] && break
  kill -0 "$launcher" 2>/dev/null || break
  sleep 0.1
done
if [ -n "$window" ]; then
  pid=$(xdotool getwindowpid "$window")
  tr '\0' ' ' < "/proc/$pid/cmdline" | grep -qF "$root/usr/bin/../lib/quorvel/Quorvel.exe" || fail "the title page is not the packaged wizard's"
  kill "$pid"
  wait "$launcher" 2>/dev/null
  pid=
else
  fail "quorvel-wizard showed no title page"
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "lintian, control fields, quorvel --version and patch, man pages and quorvel-wizard checked in $deb"
