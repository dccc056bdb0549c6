#!/usr/bin/env bash
# scan_vs_tools.sh - the patch job's scan and convert runs against common
# tools, on a generated install directory, in one run with a warm cache.
#
#   bench/scan_vs_tools.sh [BUILD_DIR] [DATA_DIR]
#
# BUILD_DIR is a native build with the benchmarks (default build/native;
# needs bench/PatchJobRun). DATA_DIR (default /tmp/quorvel-bench-install) is
# generated when missing and removed at the end unless KEEP_DATA=1.
# RUNS (default 11) timed runs per command, taking turns; medians are shown,
# of wall time and of processor time (user + system, which other programs
# on a busy machine disturb less), and for the job also the median of its
# ratio to the floor taken round by round (a slow spell of the machine then
# falls on both sides of each ratio).
#
# Scan: the job's scan run (one step call with a negative budget) against
# "rg -j1 -a -i -F -l", "grep -a -i -F -l", and a loop that only reads the
# same files in 4096-byte pieces (the floor for this design). All get the
# same files: those of the five kinds at the directory's top level, as the
# job lists them. The script checks that every tool names the same files.
# Convert: the job's convert run against "sed -i" over fresh copies of the
# matched text files (.ini, .cfg, .htm), taking turns, with a check that both
# give the same bytes. Each copy is synced to disk before its run is timed.
# On disk the job pays for its durability (every new file is flushed before
# it takes the old one's place; sed flushes nothing); in RAM only the work
# itself is compared.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build/native}
data=${2:-/tmp/quorvel-bench-install}
runs=${RUNS:-11}
tool=$build/bench/PatchJobRun
[ -x "$tool" ] || { echo "missing $tool: build the native preset's PatchJobRun target first" >&2; exit 2; }
for t in rg grep sed python3; do command -v $t >/dev/null || { echo "missing $t" >&2; exit 2; }; done

old=$(sed -n 's/.*legacyServerAddress\[\] = "\([^"]*\)".*/\1/p' "$here/../product/WizardStrings.h")
new=$(sed -n 's/.*serviceHostName\[\] = "\([^"]*\)".*/\1/p' "$here/../product/WizardStrings.h")
work=$(mktemp -d /tmp/quorvel-bench-work.XXXXXX)
generated=0
cleanup() {
    rm -rf "$work"
    if [ "$generated" = 1 ] && [ "${KEEP_DATA:-0}" != 1 ]; then rm -rf "$data"; fi
}
trap cleanup EXIT

if [ ! -d "$data" ]; then
    python3 "$here/make_install_dir.py" "$data"
    generated=1
fi

mapfile -t files < <(find "$data" -maxdepth 1 -type f \( -iname '*.exe' -o -iname '*.dll' -o -iname '*.ini' \
    -o -iname '*.cfg' -o -iname '*.htm' \) | LC_ALL=C sort)
bytes=$(cat "${files[@]}" | wc -c)
echo "directory: $data  ($(find "$data" -maxdepth 1 | wc -l) entries, ${#files[@]} files of known kinds, $((bytes >> 20)) MiB of them)"
echo "old string: $old  new string: $new  runs: $runs (median)"
cat "$data"/* > /dev/null 2>&1 || true # warm the cache

# Wall and processor time (user + system) of one run, in microseconds.
measure() { # $1: name; the rest: the command
    local name=$1 t
    shift
    # (grep and rg end with 1 when they find nothing; that is no failure here)
    t=$( { TIMEFORMAT='%R %U %S'; time "$@" > /dev/null || true; } 2>&1 | tail -1)
    awk -v n="$name" -v t="$t" 'BEGIN { split(t, f, " "); printf "%s %d %d\n", n, f[1] * 1e6, (f[2] + f[3]) * 1e6 }'
}

# Same files found by everyone?
"$tool" list "$data" | LC_ALL=C sort > "$work/job.txt"
rg -j1 -a -i -F -l -- "$old" "${files[@]}" | LC_ALL=C sort > "$work/rg.txt" || true
grep -a -i -F -l -- "$old" "${files[@]}" | LC_ALL=C sort > "$work/grep.txt" || true
for t in rg grep; do
    if ! cmp -s "$work/job.txt" "$work/$t.txt"; then
        echo "MISMATCH: the job and $t name different files:" >&2
        diff "$work/job.txt" "$work/$t.txt" >&2 || true
        exit 1
    fi
done
echo "all three name the same $(wc -l < "$work/job.txt") files"

# The four take turns in every round, so that whatever else the machine is
# doing falls on all of them alike.
{
    for ((i = 0; i <= runs; i++)); do
        measure floor "$tool" floor "${files[@]}"
        measure job "$tool" scan "$data"
        measure rg rg -j1 -a -i -F -l -- "$old" "${files[@]}"
        measure grep grep -a -i -F -l -- "$old" "${files[@]}"
    done
} | tail -n +5 > "$work/times.txt" # the first round only warms up
median() { # $1: name, $2: column (2 wall, 3 processor); milliseconds
    awk -v n="$1" -v c="$2" '$1 == n { print $c }' "$work/times.txt" | sort -n |
        awk '{ t[NR] = $1 } END { printf "%.1f", t[int((NR + 1) / 2)] / 1000 }'
}
rate() { awk -v b="$bytes" -v ms="$1" 'BEGIN { printf "%5.0f MB/s", b / 1e6 / (ms / 1000) }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2fx", a / b }'; }
echo
echo "scan run (median of $runs)              wall ms              ratio     processor ms  ratio"
for name in floor job rg grep; do
    case $name in
    floor) label="read-only floor (4096-byte pieces)" ;;
    job) label="PatchJob scan run" ;;
    rg) label="rg -j1 -a -i -F -l" ;;
    grep) label="grep -a -i -F -l" ;;
    esac
    w=$(median $name 2)
    c=$(median $name 3)
    printf "  %-35s %7s  %s  %6s   %8s  %6s\n" "$label" "$w" "$(rate "$w")" "$(ratio "$w" "$(median floor 2)")" \
        "$c" "$(ratio "$c" "$(median floor 3)")"
done
# The job's time over the floor's, round by round (rows of one round are
# consecutive in times.txt), and the median of those ratios.
paired=$(awk '$1 == "floor" { fw = $2; fc = $3 } $1 == "job" { printf "%f %f\n", $2 / fw, $3 / fc }' "$work/times.txt")
pairedWall=$(echo "$paired" | awk '{ print $1 }' | sort -n | awk '{ t[NR] = $1 } END { printf "%.2fx", t[int((NR + 1) / 2)] }')
pairedCpu=$(echo "$paired" | awk '{ print $2 }' | sort -n | awk '{ t[NR] = $1 } END { printf "%.2fx", t[int((NR + 1) / 2)] }')
printf "  %-35s %7s  %s  %6s   %8s  %6s\n" "job/floor, median of round ratios" "" "         " "$pairedWall" "" "$pairedCpu"
echo "  (target: the job's scan within 1.25x of the floor)"

# Convert: only the matched text files, fresh copies for every run. Run on
# the disk (where the job's two fsyncs per file, which sed does not do, cost
# what the disk makes them cost) and, when there is one, on a RAM file system
# (where fsync is free and the work itself is compared).
mapfile -t texts < <(grep -i -E '\.(ini|cfg|htm)$' "$work/job.txt" || true)
if [ "${#texts[@]}" -eq 0 ]; then
    echo "no matched text files: convert comparison skipped"
    exit 0
fi
mkdir -p "$work/source"
cp -p "${texts[@]}" "$work/source/"
textbytes=$(cat "$work/source"/* | wc -c)
sedold=$(printf '%s' "$old" | sed 's/[.[\*^$/]/\\&/g')
med() { sort -n | awk '{ t[NR] = $1 } END { printf "%.1f", t[int((NR + 1) / 2)] / 1000 }'; }
compare_convert() { # $1: a folder to work in, $2: its description
    local place=$1 i jobc sedc
    # The copy is put on disk before the clock starts: otherwise the job's
    # first fsync would also write out the copy the script just made, which
    # no user's game files ask of it (sed, which never syncs, would not pay).
    fresh() { rm -rf "$place/$1" && cp -rp "$work/source" "$place/$1" && sync -f "$place"; }
    convert_job() { fresh job-out; local s e; s=$(date +%s%N); "$tool" convert "$place/job-out" > /dev/null; e=$(date +%s%N); echo $(((e - s) / 1000)); }
    convert_sed() { fresh sed-out; local s e; s=$(date +%s%N); sed -i "s/$sedold/$new/gI" "$place/sed-out"/*; e=$(date +%s%N); echo $(((e - s) / 1000)); }
    convert_job > /dev/null
    convert_sed > /dev/null
    # Taking turns, as the scans do; each round gives both times.
    local rounds=$work/convert-rounds.txt
    for ((i = 0; i < runs; i++)); do echo "$(convert_job) $(convert_sed)"; done > "$rounds"
    jobc=$(awk '{ print $1 }' "$rounds" | med)
    sedc=$(awk '{ print $2 }' "$rounds" | med)
    local pairs
    pairs=$(awk '{ printf "%f\n", $1 / $2 }' "$rounds" | sort -n | awk '{ t[NR] = $1 } END { printf "%.2fx", t[int((NR + 1) / 2)] }')
    if ! diff -r "$place/job-out" "$place/sed-out" > /dev/null; then
        echo "MISMATCH: the job and sed wrote different bytes" >&2
        exit 1
    fi
    printf "  %-34s job %7s ms   sed -i %7s ms   job/sed %s (median of round ratios %s)\n" "$2" "$jobc" "$sedc" \
        "$(ratio "$jobc" "$sedc")" "$pairs"
}
echo
echo "convert run over ${#texts[@]} matched text files ($((textbytes >> 10)) KiB); both write the same bytes (target: job/sed below 1.00x)"
compare_convert "$work" "on disk ($(df --output=fstype "$work" | tail -1), job fsyncs)"
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
    shm=$(mktemp -d /dev/shm/quorvel-bench.XXXXXX)
    trap 'rm -rf "$shm"; cleanup' EXIT
    compare_convert "$shm" "in RAM (tmpfs, fsync free)"
fi
