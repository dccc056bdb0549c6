#!/usr/bin/env bash
# msi_installer.sh - the Windows installer as a person uses it, under Wine:
# installs it silently, finds the entry in the list of installed programs
# (version, icon, uninstall command), starts the wizard from its Start-menu
# entry and waits for the title page, runs quorvel-cli.exe from the installed
# folder, then uninstalls with the entry's own command and checks that the
# files, the Start-menu entry and the list entry are gone.
#
#   msi_installer.sh BUILD_DIR SOURCE_DIR PACKAGE_DIR VERSION
#
# DISPLAY and WINEPREFIX come from the environment (test.sh sets both).
set -u
build=$1
source=$2
packages=$3
version=$4
msi=$packages/Quorvel-$version-win64.msi
shots=$build/screenshots/packages
mkdir -p "$shots"

fail() { echo "FAIL: $*" >&2; exit 1; }
[ -f "$msi" ] || fail "missing $msi (run scripts/package.sh first)"
[ -n "${DISPLAY:-}" ] || fail "no DISPLAY"
[ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX/drive_c" ] || fail "WINEPREFIX does not name a booted Wine prefix"
export WINEDEBUG=-all
# No menu entries of the user's desktop for the Start-menu entry.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
folder="$WINEPREFIX/drive_c/Program Files/Quorvel"
# Wine puts a per-machine shortcut in the user's Start menu, Windows in the
# common one: either counts.
menus=("$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs"
       "$WINEPREFIX"/drive_c/users/*/AppData/Roaming/Microsoft/Windows/"Start Menu"/Programs)

# Prints the product code of the list entry named Quorvel, if there is one.
product_code() {
  timeout 60 wine reg query "$uninstall_key" /s </dev/null 2>/dev/null | tr -d '\r' | awk '
    /^HKEY_/ { key = $0; sub(/.*\\/, "", key) }
    $1 == "DisplayName" && $3 == "Quorvel" { print key; exit }'
}
# Prints one value of the entry.
entry_value() {
  timeout 60 wine reg query "$uninstall_key\\$1" /v "$2" </dev/null 2>/dev/null | tr -d '\r' |
    sed -n "s/^ *$2 *REG_[A-Z_]* *//p"
}
uninstall() { timeout 120 wine msiexec /x "$1" /qn </dev/null >/dev/null 2>&1; }

# A copy left by an earlier, failed run would hide what this one installs.
stale=$(product_code)
[ -n "$stale" ] && uninstall "$stale"
pid=
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null
  local code
  code=$(product_code)
  [ -n "$code" ] && uninstall "$code"
}
trap cleanup EXIT

timeout 120 wine msiexec /i "$(winepath -w "$msi")" /qn </dev/null || fail "msiexec /i ended with $?"

for name in Quorvel.exe quorvel-cli.exe ReadMe.txt; do
  [ -f "$folder/$name" ] || fail "$name is not in Program Files\\Quorvel"
done
cmp -s "$folder/ReadMe.txt" "$source/resources/texts/ReadMe.txt" || fail "the installed ReadMe.txt differs"

code=$(product_code)
[ -n "$code" ] || fail "no entry named Quorvel in the list of installed programs"
# Windows Installer shows the numbers: "1.0.1r-2" is 1.0.1.2.
numbers=${version/r-/.}
[ "$(entry_value "$code" DisplayVersion)" = "$numbers" ] || fail "the entry's version is not $numbers"
[ "$(entry_value "$code" DisplayIcon)" = 'C:\Program Files\Quorvel\Quorvel.exe,0' ] || fail "the entry has no icon"
case "$(entry_value "$code" UninstallString)" in
  *"$code"*) ;;
  *) fail "the entry's uninstall command does not name its product" ;;
esac

shortcut=
for menu in "${menus[@]}"; do
  [ -f "$menu/Quorvel.lnk" ] && shortcut="$menu/Quorvel.lnk"
done
[ -n "$shortcut" ] || fail "no Start-menu entry Quorvel.lnk"

# The wizard, started as the Start menu starts it; its title carries the
# package's version.
caption="Quorvel \\[${version//./\\.}\\]"
timeout 60 wine start /unix "$shortcut" </dev/null >/dev/null 2>&1 || fail "the Start-menu entry did not start"
window=
for i in $(seq 1 200); do
  window=$(xdotool search --onlyvisible --name "^$caption  Title Screen\$" 2>/dev/null | head -1)
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || fail "the installed wizard showed no title page"
pid=$(xdotool getwindowpid "$window") || fail "the title page has no process id"
tr '\0' ' ' < "/proc/$pid/cmdline" | grep -q 'C:\\Program Files\\Quorvel\\Quorvel.exe' ||
  fail "the title page is not the installed program's"
sleep 0.5
import -silent -window root "$shots/installed-title.png" || true
kill "$pid"
for i in $(seq 1 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
pid=

out=$(timeout 60 wine "C:\\Program Files\\Quorvel\\quorvel-cli.exe" --version </dev/null | tr -d '\r')
case "$out" in
  "Quorvel ${version}") ;;
  *) fail "installed quorvel-cli.exe --version printed [$out]" ;;
esac

# The uninstall command as the list of programs gives it, silently.
uninstall "$code" || fail "msiexec /x ended with $?"
[ ! -e "$folder" ] || fail "Program Files\\Quorvel is left after the uninstall"
[ ! -e "$shortcut" ] || fail "the Start-menu entry is left after the uninstall"
[ -z "$(product_code)" ] || fail "the list of installed programs still names Quorvel"
echo "installed, started from the Start menu, ran quorvel-cli.exe, uninstalled $msi"
