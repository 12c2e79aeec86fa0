#!/usr/bin/env bash
# End-to-end throughput: converts generated files of 20, 100 and 200 MB and prints median MB/s,
# peak resident memory, the ratio to a straightforward converter and to `wc -l` (the memory-scan
# floor), coordlint's throughput on the same file, and the time per MB at each size.
#
#   bench/throughput.sh BUILD_DIR        (BUILD_DIR built with -DCOORD2SEG_BUILD_BENCHMARKS=ON)
set -euo pipefail
build=$(cd "${1:?usage: throughput.sh BUILD_DIR}" && pwd)
tools=$build/bench
data=$build/bench-data
mkdir -p "$data"

for mb in 20 100 200; do
  # Generated once; the seed makes the content the same on every machine.
  [ -s "$data/coast$mb.txt" ] || "$tools/generate_coordinates" 1 "$mb" > "$data/coast$mb.txt"
done

# median seconds and peak KiB of RUNS runs of a command
measure() { "$tools/run_timed" "$@"; }
seconds() { sed -E 's/.*median_seconds=([0-9.]+).*/\1/' <<< "$1"; }
peak_kib() { sed -E 's/.*peak_rss_kib=([0-9]+).*/\1/' <<< "$1"; }
mb_of() { awk -v bytes="$(stat -c %s "$1")" 'BEGIN { printf "%.3f", bytes / 1e6 }'; }

input=$data/coast100.txt
size_mb=$(mb_of "$input")
ours=$(measure 5 "$build/coord2seg" "$input")
reference=$(measure 5 "$tools/reference_converter" "$input" "$data/reference.bin")
wc_l=$(measure 5 wc -l "$input")
lint=$(measure 5 "$build/coordlint" "$input")

awk -v mb="$size_mb" -v ours="$(seconds "$ours")" -v ref="$(seconds "$reference")" \
    -v wc="$(seconds "$wc_l")" -v peak="$(peak_kib "$ours")" \
    -v lint="$(seconds "$lint")" -v lint_peak="$(peak_kib "$lint")" 'BEGIN {
  printf "input                      %.1f MB (coast100.txt)\n", mb
  printf "coord2seg                  %7.1f MB/s  (median of 5, %.3f s)\n", mb / ours, ours
  printf "straightforward converter  %7.1f MB/s  -> coord2seg is %.2fx faster\n", mb / ref, ref / ours
  printf "wc -l (memory-scan floor)  %7.1f MB/s  -> coord2seg takes %.2fx its time\n", mb / wc, ours / wc
  printf "peak resident memory       %7.1f MiB   (input %.1f MiB; input + %.1f MiB)\n",
         peak / 1024, mb * 1e6 / 1048576, peak / 1024 - mb * 1e6 / 1048576
  printf "coordlint                  %7.1f MB/s  -> %.2fx the throughput of coord2seg, peak %.1f MiB\n",
         mb / lint, ours / lint, lint_peak / 1024
}'

echo "time per MB (median of 3):"
for mb in 20 100 200; do
  file=$data/coast$mb.txt
  run=$(measure 3 "$build/coord2seg" "$file")
  awk -v mb="$(mb_of "$file")" -v s="$(seconds "$run")" \
      'BEGIN { printf "  %6.1f MB  %7.3f ms/MB\n", mb, s * 1000 / mb }'
done
