#!/bin/sh
# Whole-process timing and peak memory of "qinghechart-cli check --json" on
# one large CSV alone: ROWS rows (default 5,000,000, about 200 MB) of the
# same rows as bench/data_cli_timing.sh, written row by row.
# Usage: bench/data_cli_big_csv.sh BUILD_DIR [ROWS]
# (a build configured with -DQH_BUILD_BENCH=ON).
set -eu
build=${1:?usage: $0 BUILD_DIR [ROWS]}
rows=${2:-5000000}
here=$(dirname "$0")
cli="$build/tools/qinghechart-cli"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/bench/data_readers_bench" --write-csv "$work" "$rows"
csv="$work/rows_utf8.csv"
"$cli" check --json "$csv" | head -c 60; echo
hyperfine -N -i --warmup 1 --runs "${QH_BENCH_RUNS:-5}" --export-json "$work/times.json" \
  "$cli check --json $csv"
python3 "$here/print_medians.py" "$work/times.json"
printf '%s (%s bytes): ' "$(basename "$csv")" "$(stat -c %s "$csv")"
/usr/bin/time -f '%M KB peak' "$cli" check --json "$csv" 2>&1 >/dev/null
