#!/usr/bin/env bash
# The web build's speed against the native programs', on the same generated files of about 60 MB:
# shoreline-like points in short segments (about ten points, as in the GSHHG shorelines), with
# six decimals (as GMT writes them) and as doubles printed shortest, six decimals in long
# segments, and a segment file of about 60 MB. For a text: the native converter's median wall
# time, the package's time in Node (the text already in memory), and in headless Chromium the
# page's module time, its time from choosing the file to done and to the next painted frame. For
# the segment file: segdump's wall times for --check, the text and GeoJSON (all the page makes)
# and the page's times.
#
#   bench/web_throughput.sh BENCH_BUILD_DIR WEB_BUILD_DIR [RUNS]
#     BENCH_BUILD_DIR from the bench preset (coord2seg, segdump, generate_coordinates, run_timed);
#     WEB_BUILD_DIR from the web preset; RUNS of each, 5 by default
# SPDX-License-Identifier: MIT
set -euo pipefail
build=$(cd "${1:?usage: web_throughput.sh BENCH_BUILD_DIR WEB_BUILD_DIR [RUNS]}" && pwd)
web=$(cd "${2:?usage: web_throughput.sh BENCH_BUILD_DIR WEB_BUILD_DIR [RUNS]}" && pwd)
runs=${3:-5}
here=$(dirname "$0")
data=$build/bench-data
mkdir -p "$data"

# The median wall time in ms of a command, RUNS times.
wall_ms() {
  "$build/bench/run_timed" "$runs" "$@" |
    sed -E 's/median_seconds=([0-9.]+).*/\1/' | awk '{ printf "%.0f", $1 * 1000 }'
}
megabytes() { awk -v bytes="$(stat -c %s "$1")" 'BEGIN { printf "%.1f", bytes / 1e6 }'; }

for shape_profile in "6 short" "shortest short" "6 long"; do
  read -r shape profile <<< "$shape_profile"
  file=$data/web-$shape-$profile.txt
  [ -s "$file" ] || "$build/bench/generate_coordinates" 1 60 "$shape" "$profile" > "$file"
  echo "text, $shape decimals, $profile segments, $(megabytes "$file") MB:" \
       "native_ms=$(wall_ms "$build/coord2seg" "$file")" \
       "$(node "$here/web_node_convert.mjs" "$web/package" "$file" "$runs")" \
       "$(/usr/bin/python3 "$here/web_page_convert.py" "$web" "$file" "$runs")"
done

# About 60 MB of records: the first text's segment file five times over.
segments=$data/web-segments.bin
if [ ! -s "$segments" ]; then
  "$build/coord2seg" "$data/web-6-short.txt"
  for _ in 1 2 3 4 5; do cat "$data/web-6-short.bin"; done > "$segments"
fi
check=$(wall_ms "$build/segdump" --check "$segments")
text=$(wall_ms "$build/segdump" "$segments")
geojson=$(wall_ms "$build/segdump" --geojson "$segments")
echo "segment file, $(megabytes "$segments") MB: segdump_check_ms=$check segdump_text_ms=$text" \
     "segdump_geojson_ms=$geojson native_sum_ms=$((check + text + geojson))" \
     "$(/usr/bin/python3 "$here/web_page_convert.py" "$web" "$segments" "$runs")"
