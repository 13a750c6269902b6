#!/bin/sh
# Whole-process timing and peak memory of "qinghechart-cli check --json" on
# one large UTF-8 HTML export: ROWS rows (default 1,000,000, about 74 MB) of
# the same rows as bench/data_readers_bench.cpp, written row by row. With
# BASE_CLI (another build's CLI, main's for one) both run in turns, paired.
# Usage: bench/data_cli_big_html.sh BUILD_DIR [ROWS] [BASE_CLI]
# (a build configured with -DQH_BUILD_BENCH=ON).
set -eu
build=${1:?usage: $0 BUILD_DIR [ROWS] [BASE_CLI]}
rows=${2:-1000000}
base=${3:-}
here=$(dirname "$0")
cli="$build/tools/qinghechart-cli"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/bench/data_readers_bench" --write-html "$work" "$rows"
html="$work/rows_utf8.html"
"$cli" check --json "$html" | head -c 60; echo
if [ -n "$base" ]; then
  "$cli" check --json "$html" > "$work/after.json"
  "$base" check --json "$html" > "$work/before.json"
  cmp "$work/before.json" "$work/after.json" && echo "check --json identical to $base"
fi
hyperfine -N -i --warmup 1 --runs "${QH_BENCH_RUNS:-10}" --export-json "$work/times.json" \
  "$cli check --json $html" ${base:+"$base check --json $html"}
python3 "$here/print_medians.py" "$work/times.json"
size=$(stat -c %s "$html")
for c in "$cli" $base; do
  printf '%s, %s (%s bytes): ' "$c" "$(basename "$html")" "$size"
  /usr/bin/time -f '%M KB peak, %e s' "$c" check --json "$html" 2>&1 >/dev/null
done
