#!/usr/bin/env bash
# Instructions a line of the whole converter, counted by callgrind (noise-free, unlike wall time),
# on 10 MB of every number shape and segment profile, with the sha256 of each output.
#
#   bench/instructions.sh BUILD_DIR [PROGRAM]
#     BUILD_DIR built with -DCOORD2SEG_BUILD_BENCHMARKS=ON (generate_coordinates); PROGRAM is the
#     converter to count, BUILD_DIR/coord2seg by default, so that two builds can be compared on the
#     same files. Prints one row a shape: lines, instructions, instructions a line, sha256.
# SPDX-License-Identifier: MIT
set -euo pipefail
build=$(cd "${1:?usage: instructions.sh BUILD_DIR [PROGRAM]}" && pwd)
program=${2:-$build/coord2seg}
tools=$build/bench
data=$build/bench-data/instructions
mkdir -p "$data"
if ! command -v valgrind > /dev/null; then
  echo "instructions.sh: valgrind is not installed; no instruction counts" >&2
  exit 0
fi

# NAME FILE: one row.
count_row() {
  local name=$1 file=$2 out lines instructions
  out=$data/callgrind.out
  valgrind --tool=callgrind --callgrind-out-file="$out" "$program" "$file" > /dev/null 2>&1
  instructions=$(sed -nE 's/^(summary|totals): ([0-9]+).*/\2/p' "$out" | tail -n 1)
  lines=$(wc -l < "$file")
  printf "%-24s %8d %12d %8.1f  %s\n" "$name" "$lines" "$instructions" \
    "$(awk -v i="$instructions" -v l="$lines" 'BEGIN { print i / l }')" \
    "$(sha256sum "${file%.txt}.bin" | cut -c1-12)"
  rm -f "$out"
}

echo "callgrind, whole converter: $program"
echo "shape, segments            lines  instructions  a line  output sha256"
for profile in long short; do
  for shape in 6 10 12 shortest mixed gmt; do
    file=$data/$shape-$profile.txt
    # Generated once; the seed makes the content the same on every machine.
    [ -s "$file" ] || "$tools/generate_coordinates" 1 10 "$shape" "$profile" > "$file"
    count_row "$shape, $profile" "$file"
  done
done

# The GSHHG shorelines as GMT writes them (`gmt coast -Rd -Di -W -M`, from gmt-gshhg-low or a finer
# set), segment headers turned into separator lines, when gmt is installed.
if command -v gmt > /dev/null; then
  file=$data/gshhg-gmt.txt
  if [ ! -s "$file" ]; then
    (cd "$data" && gmt coast -Rd -Di -W -M 2> /dev/null) | sed 's/^>/#/' > "$file" || true
  fi
  if [ -s "$file" ]; then
    count_row "GSHHG, GMT's text" "$file"
    [ -s "$data/gshhg-shortest.txt" ] ||
      "$tools/generate_coordinates" --rewrite 1 shortest short < "$file" > "$data/gshhg-shortest.txt"
    count_row "GSHHG shortest, short" "$data/gshhg-shortest.txt"
  fi
fi
