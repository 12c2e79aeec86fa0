#!/usr/bin/env bash
# End-to-end throughput: converts generated files of 20, 100 and 200 MB. On the 100 MB file it runs
# coord2seg and a straightforward converter in turns and prints the median wall, user and system
# time of each, the ratio between them (median and range over the pairs of runs), the peak
# resident memory, `wc -l` as the memory-scan floor and coordlint's time on the same file; then
# the time per MB at each size. Last, one row per number shape and segment profile (see
# generate_coordinates), and rows for the GSHHG shorelines when gmt and its coastline data are
# installed, each against the straightforward converter in turns and with the sha256 of the output;
# under the row of GMT's own text, the time of its records written alone, one write each.
#
#   bench/throughput.sh BUILD_DIR [RUNS [SHAPE_RUNS]]
#     BUILD_DIR built with -DCOORD2SEG_BUILD_BENCHMARKS=ON; RUNS pairs of runs on the 100 MB file,
#     9 by default; SHAPE_RUNS pairs for each shape row, 5 by default (0 leaves the rows out)
# SPDX-License-Identifier: MIT
set -euo pipefail
build=$(cd "${1:?usage: throughput.sh BUILD_DIR [RUNS]}" && pwd)
runs=${2:-9}
shape_runs=${3:-5}
tools=$build/bench
data=$build/bench-data
mkdir -p "$data"

for mb in 20 100 200; do
  # Generated once; the seed makes the content the same on every machine.
  [ -s "$data/coast$mb.txt" ] || "$tools/generate_coordinates" 1 "$mb" > "$data/coast$mb.txt"
done

# "wall user system peak_kib" of RUNS runs of a command (medians; the largest peak)
measure() {
  "$tools/run_timed" "$@" |
    sed -E 's/median_seconds=([0-9.]+) user_seconds=([0-9.]+) system_seconds=([0-9.]+) peak_rss_kib=([0-9]+)/\1 \2 \3 \4/'
}
mb_of() { awk -v bytes="$(stat -c %s "$1")" 'BEGIN { printf "%.3f", bytes / 1e6 }'; }

# RUNS pairs of runs on FILE, coord2seg and the straightforward converter in turns, so that both see
# the same state of the machine; one line per pair of runs.
in_turns() {
  local file=$1 count=$2 run
  for ((run = 0; run < count; ++run)); do
    echo "$(measure 1 "$build/coord2seg" "$file") $(measure 1 "$tools/naive_converter" "$file" "$data/naive.bin")"
  done
}
# The median of an awk array, for the summaries below.
awk_median='
  function median(values, count,   sorted, i, j, t) {
    for (i = 1; i <= count; ++i) sorted[i] = values[i]
    for (i = 2; i <= count; ++i)
      for (j = i; j > 1 && sorted[j - 1] > sorted[j]; --j) {
        t = sorted[j]; sorted[j] = sorted[j - 1]; sorted[j - 1] = t
      }
    return sorted[int((count + 1) / 2)]
  }'

input=$data/coast100.txt
pairs=$(in_turns "$input" "$runs")
wc_l=$(measure 5 wc -l "$input")
read -r lint lint_user lint_sys lint_peak <<< "$(measure 5 "$build/coordlint" "$input")"

awk -v mb="$(mb_of "$input")" -v runs="$runs" -v wc="${wc_l%% *}" -v lint="$lint" \
    -v lint_user="$lint_user" -v lint_sys="$lint_sys" -v lint_peak="$lint_peak" "$awk_median"'
  function low(values, count,   i, m) { m = values[1]; for (i = 2; i <= count; ++i) if (values[i] < m) m = values[i]; return m }
  function high(values, count,   i, m) { m = values[1]; for (i = 2; i <= count; ++i) if (values[i] > m) m = values[i]; return m }
  {
    ++n
    wall[n] = $1; user[n] = $2; sys[n] = $3; cpu[n] = $2 + $3; if ($4 > peak) peak = $4
    naive_wall[n] = $5; naive_user[n] = $6; naive_sys[n] = $7; naive_cpu[n] = $6 + $7
    ratio[n] = $5 / $1; cpu_ratio[n] = naive_cpu[n] / cpu[n]
  }
  END {
    w = median(wall, n); rw = median(naive_wall, n)
    printf "input                      %.1f MB (coast100.txt), %d runs of each, in turns\n", mb, runs
    printf "                           median: wall s  user s  system s      MB/s\n"
    printf "coord2seg                          %6.3f  %6.3f    %6.3f   %7.1f\n", w, median(user, n), median(sys, n), mb / w
    printf "straightforward converter          %6.3f  %6.3f    %6.3f   %7.1f\n", rw, median(naive_user, n), median(naive_sys, n), mb / rw
    printf "coord2seg is faster by             %.2fx median, from %.2fx to %.2fx over the pairs of runs\n", median(ratio, n), low(ratio, n), high(ratio, n)
    printf "  by user + system time            %.2fx median, from %.2fx to %.2fx\n", median(cpu_ratio, n), low(cpu_ratio, n), high(cpu_ratio, n)
    printf "wc -l (memory-scan floor)          %6.3f                    %7.1f  -> coord2seg takes %.2fx its time\n", wc, mb / wc, w / wc
    printf "peak resident memory       %7.1f MiB   (input %.1f MiB; input + %.1f MiB)\n", peak / 1024, mb * 1e6 / 1048576, peak / 1024 - mb * 1e6 / 1048576
    printf "coordlint (median of 5)            %6.3f  %6.3f    %6.3f   %7.1f  -> %.2fx the time of coord2seg, peak %.1f MiB\n", lint, lint_user, lint_sys, mb / lint, lint / w, lint_peak / 1024
  }' <<< "$pairs"

echo "time per MB (median of 5):     wall  user + system"
for mb in 20 100 200; do
  file=$data/coast$mb.txt
  read -r wall user sys _ <<< "$(measure 5 "$build/coord2seg" "$file")"
  awk -v mb="$(mb_of "$file")" -v wall="$wall" -v cpu="$(awk -v u="$user" -v s="$sys" 'BEGIN { print u + s }')" \
      'BEGIN { printf "  %6.1f MB               %6.3f  %6.3f ms/MB\n", mb, wall * 1000 / mb, cpu * 1000 / mb }'
done

[ "$shape_runs" -gt 0 ] || exit 0

# One row: NAME FILE. Medians over SHAPE_RUNS pairs of runs in turns; the ratios are the
# straightforward converter's time over coord2seg's, as a median over the pairs.
shape_row() {
  local name=$1 file=$2 pairs lint
  pairs=$(in_turns "$file" "$shape_runs")
  lint=$(measure "$shape_runs" "$build/coordlint" "$file")
  awk -v name="$name" -v mb="$(mb_of "$file")" -v lint="$lint" \
      -v sum="$(sha256sum "${file%.txt}.bin" | cut -c1-12)" "$awk_median"'
    {
      ++n; wall[n] = $1; user[n] = $2; sys[n] = $3; if ($4 > peak) peak = $4
      naive_wall[n] = $5; naive_user[n] = $6
      ratio[n] = $5 / $1; user_ratio[n] = $6 / ($2 > 0.0005 ? $2 : 0.0005); cpu_ratio[n] = ($6 + $7) / ($2 + $3)
    }
    END {
      split(lint, l, " ")
      printf "%-22s %6.1f  %6.3f %6.3f %6.3f  %6.3f %6.3f  %5.2fx %5.2fx %5.2fx  %6.1f  %6.3f %6.3f  %s\n", name, mb,
        median(wall, n), median(user, n), median(sys, n), median(naive_wall, n), median(naive_user, n),
        median(ratio, n), median(user_ratio, n), median(cpu_ratio, n), peak / 1024, l[1], l[2], sum
    }' <<< "$pairs"
}

shape_file() {  # SHAPE PROFILE -> the generated 100 MB file of that shape
  local file=$data/shape-$1-$2.txt
  [ -s "$file" ] || "$tools/generate_coordinates" 1 100 "$1" "$2" > "$file"
  echo "$file"
}

echo
echo "per number shape and segment profile: median of $shape_runs runs each, in turns with the straightforward converter"
echo "                              coord2seg              straightforward  faster by           peak    coordlint      output"
echo "shape, segments          MB    wall   user    sys    wall   user    wall   user  u+sys   MiB    wall   user   sha256"
for profile in long short; do
  for shape in 6 10 12 shortest mixed gmt; do
    shape_row "$shape, $profile" "$(shape_file "$shape" "$profile")"
  done
done

# GSHHG shorelines as GMT writes them (`gmt coast -Rd -Di -W -M`, the package gmt-gshhg-low or a
# finer one): five copies, segment headers turned into separator lines, about 71 MB; then the same
# points in segments of 3000, with 15 to 17 significant digits, and mixed. From the data folder, where
# gmt leaves its history file.
cd "$data"
if command -v gmt > /dev/null && gmt coast -Rd -Di -W -M > "$data/gshhg-gmt.one" 2> /dev/null &&
   [ -s "$data/gshhg-gmt.one" ]; then
  for copy in 1 2 3 4 5; do cat "$data/gshhg-gmt.one"; done > "$data/gshhg-gmt.txt.gmt"
  sed 's/^>/#/' "$data/gshhg-gmt.txt.gmt" > "$data/gshhg-gmt.txt"
  "$tools/generate_coordinates" --rewrite 1 10 long < "$data/gshhg-gmt.txt" > "$data/gshhg-10-long.txt"
  "$tools/generate_coordinates" --rewrite 1 shortest short < "$data/gshhg-gmt.txt" > "$data/gshhg-shortest-short.txt"
  "$tools/generate_coordinates" --rewrite 1 shortest long < "$data/gshhg-gmt.txt" > "$data/gshhg-shortest-long.txt"
  "$tools/generate_coordinates" --rewrite 1 mixed short < "$data/gshhg-gmt.txt" > "$data/gshhg-mixed-short.txt"
  shape_row "GSHHG, GMT's text" "$data/gshhg-gmt.txt"
  # The floor of that row while every record reaches the file system before the next line is read:
  # its records alone, one write each, through the converter's own output file.
  # Where a system call costs user time too (page-table isolation without PCID flushes the TLB on
  # each), that floor bounds how much less user time than the straightforward converter's the row
  # can take, however fast the reading: their ratio is printed as that bound.
  read -r floor_wall floor_user floor_sys _ <<< "$(measure "$shape_runs" "$tools/write_records" "$data/gshhg-gmt.bin" "$data/gshhg-gmt.copy")"
  read -r _ naive_user _ <<< "$(measure "$shape_runs" "$tools/naive_converter" "$data/gshhg-gmt.txt" "$data/naive.bin")"
  awk -v w="$floor_wall" -v u="$floor_user" -v s="$floor_sys" -v nu="$naive_user" -v n="$("$build/segdump" --check "$data/gshhg-gmt.bin" | sed -E 's/.*: ([0-9]+) segments.*/\1/')" 'BEGIN {
    printf "  its %s records alone, one write each: %.3f s wall, %.3f s user, %.3f s system\n", n, w, u, s
    printf "  so with one write a record, coord2seg can take at most %.2fx less user time than the straightforward converter (%.3f s)\n", nu / (u > 0.0005 ? u : 0.0005), nu }'
  shape_row "GSHHG 10, long" "$data/gshhg-10-long.txt"
  shape_row "GSHHG shortest, short" "$data/gshhg-shortest-short.txt"
  shape_row "GSHHG shortest, long" "$data/gshhg-shortest-long.txt"
  shape_row "GSHHG mixed, short" "$data/gshhg-mixed-short.txt"
  read -r gmt_wall gmt_user _ <<< "$(measure 3 sh -c 'gmt convert -bo2f "$0" > "$1"' "$data/gshhg-gmt.txt.gmt" "$data/gshhg-gmt.f32")"
  read -r own_wall own_user _ <<< "$(measure 3 "$build/coord2seg" "$data/gshhg-gmt.txt")"
  awk -v g="$gmt_wall" -v gu="$gmt_user" -v c="$own_wall" -v cu="$own_user" 'BEGIN {
    printf "gmt convert -bo2f on the GSHHG text: %.3f s wall, %.3f s user; coord2seg faster by %.2fx (wall), %.2fx (user)\n", g, gu, g / c, gu / cu }'
  rm -f "$data/gshhg-gmt.one" "$data/gshhg-gmt.f32" "$data/gshhg-gmt.copy"
fi
