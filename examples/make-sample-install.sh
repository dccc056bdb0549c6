#!/usr/bin/env bash
# make-sample-install.sh - writes a small, made-up game install folder to try
# Quorvel on: a few program files (.exe, .dll) and settings and page files
# (.ini, .cfg, .htm) that hold the old server's address the wizard looks for,
# a file of another kind and a subfolder, which every run leaves alone.
# Nothing here comes from a real game.
#
#   examples/make-sample-install.sh OUTDIR
#
# OUTDIR must not exist yet, or be empty. The address is the wizard's own,
# read from product/WizardStrings.h, so the sample always matches the build.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
out=${1:-}
if [ -z "$out" ]; then
    echo "usage: $0 OUTDIR" >&2
    exit 2
fi
if [ -e "$out" ] && [ -n "$(ls -A "$out" 2>/dev/null)" ]; then
    echo "$out exists and is not empty" >&2
    exit 2
fi
address=$(sed -n 's/.*legacyServerAddress\[\] = "\([^"]*\)".*/\1/p' "$here/../product/WizardStrings.h")
[ -n "$address" ] || { echo "cannot read the address from product/WizardStrings.h" >&2; exit 1; }
mkdir -p "$out/Maps"

# A program-like file of size bytes: a header, filler bytes, a little text,
# and the address written at each of the given offsets.
program() {
    local path=$1 size=$2 at
    shift 2
    head -c "$size" /dev/zero | tr '\0' '\220' > "$path"
    printf 'MZ\000\000Quorvel sample program - not a real game file\000' |
        dd of="$path" bs=1 seek=0 conv=notrunc status=none
    for at in "$@"; do
        printf '%s\000' "$address" | dd of="$path" bs=1 seek="$at" conv=notrunc status=none
    done
}

# The address at the start of the data and across the 4096-byte boundary.
program "$out/Skirmish.exe" 65536 8192 $((4096 - 7))
program "$out/NetPlay.dll" 16384 12000
program "$out/Render.dll" 20000 # holds no address

printf '[Network]\r\nServer=%s\r\nPort=28900\r\nBackup=%s\r\n\r\n[Video]\r\nWidth=1024\r\n' \
    "$address" "$address" > "$out/Game.ini"
printf '# lobby settings\r\nlobby_host %s\r\nlobby_port 6667\r\n' "$address" > "$out/Lobby.cfg"
printf '<html><body><h1>Sample news</h1>\r\n<p><a href="http://%s/news">News</a></p>\r\n</body></html>\r\n' \
    "$address" > "$out/News.htm"
printf 'Mirror list for the sample game.\r\nThe old server was %s.\r\n' "$address" > "$out/ReadMe.txt"
printf '[Arena]\r\nServer=%s\r\n' "$address" > "$out/Maps/Arena.ini"

echo "Sample install folder written to $out"
