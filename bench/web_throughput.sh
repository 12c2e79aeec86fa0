#!/usr/bin/env bash
# The web build's conversion speed against the native converter's, on the same generated files of
# about 60 MB: shoreline-like points in short segments (about ten points, as in the GSHHG
# shorelines), with six decimals (as GMT writes them) and as doubles printed shortest, and six
# decimals in long segments. Prints the native converter's median wall time, the
# package's time in Node and the page's data-ms in headless Chromium (both without reading the
# file), each with MB/s.
#
#   bench/web_throughput.sh BENCH_BUILD_DIR WEB_BUILD_DIR [RUNS]
#     BENCH_BUILD_DIR from the bench preset (coord2seg, generate_coordinates, run_timed);
#     WEB_BUILD_DIR from the web preset; RUNS of each, 5 by default
set -euo pipefail
build=$(cd "${1:?usage: web_throughput.sh BENCH_BUILD_DIR WEB_BUILD_DIR [RUNS]}" && pwd)
web=$(cd "${2:?usage: web_throughput.sh BENCH_BUILD_DIR WEB_BUILD_DIR [RUNS]}" && pwd)
runs=${3:-5}
here=$(dirname "$0")
data=$build/bench-data
mkdir -p "$data"

for shape_profile in "6 short" "shortest short" "6 long"; do
  read -r shape profile <<< "$shape_profile"
  file=$data/web-$shape-$profile.txt
  [ -s "$file" ] || "$build/bench/generate_coordinates" 1 60 "$shape" "$profile" > "$file"
  mb=$(awk -v bytes="$(stat -c %s "$file")" 'BEGIN { printf "%.1f", bytes / 1e6 }')
  wall=$("$build/bench/run_timed" "$runs" "$build/coord2seg" "$file" |
         sed -E 's/median_seconds=([0-9.]+).*/\1/')
  native=$(awk -v s="$wall" -v mb="$mb" \
           'BEGIN { printf "native_ms=%.1f mb_per_s=%.0f", s * 1000, mb / s }')
  echo "$shape decimals, $profile segments, $mb MB: $native $(node "$here/web_node_convert.mjs" \
       "$web/package" "$file" "$runs") $(/usr/bin/python3 "$here/web_page_convert.py" "$web" \
       "$file" "$runs")"
done
