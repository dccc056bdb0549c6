#!/usr/bin/env bash
# page_response_wine.sh - how soon the wizard answers Back and the close
# request (Alt+F4, the exit question) on its SCAN page while it scans a
# folder of many files, under Wine. bench/win32/PageResponse.exe drives the
# real Quorvel.exe with real input and times each answer; this script builds
# it, makes the folder and prints medians. With BASELINE naming another
# build's Quorvel.exe, both run in the same rounds, taking turns, and the
# medians of both and their ratio are shown.
#
#   bench/page_response_wine.sh [BUILD_DIR]      (default build/windows)
#
# ROUNDS (default 5) rounds of SAMPLES (default 4) samples per program;
# FILES (default 30000) files in the folder, made in the Wine prefix and
# removed at the end unless KEEP_DATA=1. Needs the windows build and what
# test.sh installs (MinGW-w64, Wine, Xvfb); uses DISPLAY and WINEPREFIX when
# set, else starts its own display and the build's prefix.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(cd "$here/.." && pwd)
build=$(cd "${1:-$source_dir/build/windows}" && pwd)
rounds=${ROUNDS:-5}
samples=${SAMPLES:-4}
files=${FILES:-30000}
program=$build/Quorvel.exe
[ -f "$program" ] || { echo "missing $program: build the windows preset first" >&2; exit 2; }
[ -z "${BASELINE:-}" ] || [ -f "$BASELINE" ] || { echo "missing BASELINE $BASELINE" >&2; exit 2; }

. "$source_dir/scripts/common.sh"
started_display=0
started_server=0
if [ -z "${WINEPREFIX:-}" ]; then
    qv_wine_env "$build/wineprefix"
    started_server=1
fi
export WINEDEBUG=-all
# Wine's services start with the prefix's first program; started here, they
# do not inherit (and hold open) the pipes of the runs below.
timeout 120 wine cmd /c exit </dev/null >/dev/null 2>&1 || true
if [ -z "${DISPLAY:-}" ]; then
    qv_start_xvfb
    started_display=1
fi

folder_unix="$WINEPREFIX/drive_c/quorvel-bench-$files"
folder_win="C:\\quorvel-bench-$files"
work=$(mktemp -d /tmp/quorvel-page-response.XXXXXX)
cleanup() {
    rm -rf "$work"
    [ "${KEEP_DATA:-0}" = 1 ] || rm -rf "$folder_unix"
    [ "$started_server" = 1 ] && qv_wine_stop
    [ "$started_display" = 1 ] && qv_stop_xvfb
    true
}
trap cleanup EXIT

helper=$work/PageResponse.exe
x86_64-w64-mingw32-g++-posix -std=c++20 -O2 -I"$source_dir/resources" "$here/win32/PageResponse.cpp" -static \
    -o "$helper"

# Small files, a third of them of a kind the scan reads; none holds the old
# address, so every file is read and the whole folder is looked at.
if [ "$(find "$folder_unix" -maxdepth 1 -type f 2>/dev/null | wc -l)" != "$files" ]; then
    rm -rf "$folder_unix"
    python3 - "$folder_unix" "$files" <<'EOF'
import os, sys
folder, count = sys.argv[1], int(sys.argv[2])
os.makedirs(folder)
for i in range(count):
    kind = ("ini", "dat", "bmp")[i % 3]
    with open(os.path.join(folder, f"file{i:06d}.{kind}"), "w") as f:
        f.write(f"[Game]\r\nServer=localhost\r\nPort={28000 + i % 100}\r\n")
EOF
fi

programs=("$program")
[ -n "${BASELINE:-}" ] && programs+=("$(cd "$(dirname "$BASELINE")" && pwd)/$(basename "$BASELINE")")
echo "folder: $folder_win ($files files); $rounds rounds of $samples samples per program, taking turns"
for round in $(seq 1 "$rounds"); do
    for i in "${!programs[@]}"; do
        wine "$helper" "$(winepath -w "${programs[$i]}")" "$folder_win" "$samples" </dev/null >>"$work/samples-$i" ||
            echo "round $round: ${programs[$i]} did not finish its samples" >&2
    done
done

median() { sort -n | awk '{ v[NR] = $1 } END { if (NR == 0) print "-"; else if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
slowest() { sort -n | tail -1; }
declare -A result
for i in "${!programs[@]}"; do
    for what in back close; do
        result[$i,$what]=$(awk -v w="$what" '$1 == w { print $2 }' "$work/samples-$i" | median)
        result[$i,$what,max]=$(awk -v w="$what" '$1 == w { print $2 }' "$work/samples-$i" | slowest)
    done
    missed=$(grep -c '^missed' "$work/samples-$i" || true)
    n=$(grep -c '^back' "$work/samples-$i" || true)
    echo "${programs[$i]}: back ${result[$i,back]} ms (slowest ${result[$i,back,max]}), close request" \
        "${result[$i,close]} ms (slowest ${result[$i,close,max]}); medians of $n samples, $missed missed (the scan had ended)"
done
if [ "${#programs[@]}" = 2 ]; then
    awk -v b1="${result[1,back]}" -v b0="${result[0,back]}" -v c1="${result[1,close]}" -v c0="${result[0,close]}" \
        'BEGIN { printf "baseline / this build: back %.1fx, close request %.1fx\n", b1 / b0, c1 / c0 }'
fi
