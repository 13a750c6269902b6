#!/bin/sh
# Whole-process timing of "qinghechart-cli render" on the 100,000-row export
# (HTML and CSV), as a business system calls it, and its peak memory.
# Usage: bench/chart_cli_timing.sh BUILD_DIR (configured with -DQH_BUILD_BENCH=ON).
set -eu
build=${1:?usage: $0 BUILD_DIR}
cli="$build/tools/qinghechart-cli"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/bench/data_readers_bench" --write-files "$work" >/dev/null
render="render --kind bar --size 1200x700 -o $work/out.png"
hyperfine -N --warmup 3 --runs 30 --export-json "$work/times.json" \
  "$cli $render $work/rows_utf8.html" \
  "$cli $render $work/rows_utf8.csv"
python3 "$(dirname "$0")/print_medians.py" "$work/times.json"
for f in rows_utf8.html rows_utf8.csv; do
  printf '%s: ' "$f"
  /usr/bin/time -f '%M KB peak' $cli $render "$work/$f" 2>&1 >/dev/null | tail -1
done
