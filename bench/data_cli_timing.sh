#!/bin/sh
# Whole-process timing of "qinghechart-cli check --json" on the 100,000-row
# export, and its peak memory. Usage: bench/data_cli_timing.sh BUILD_DIR
# (a build configured with -DQH_BUILD_BENCH=ON).
set -eu
build=${1:?usage: $0 BUILD_DIR}
cli="$build/tools/qinghechart-cli"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/bench/data_readers_bench" --write-files "$work"
for f in rows_utf8.html rows_gbk.html rows_utf8.csv; do
  "$cli" check --json "$work/$f" | head -c 60; echo
done
printf 'A,1\nB,2\n' > "$work/tiny.csv"  # the start-up cost alone
hyperfine -N --warmup 3 --runs 30 --export-json "$work/times.json" \
  "$cli check --json $work/tiny.csv" \
  "$cli check --json $work/rows_utf8.html" \
  "$cli check --json $work/rows_gbk.html" \
  "$cli check --json $work/rows_utf8.csv"
python3 "$(dirname "$0")/print_medians.py" "$work/times.json"
for f in rows_utf8.html rows_gbk.html rows_utf8.csv; do
  printf '%s: ' "$f"
  /usr/bin/time -f '%M KB peak' "$cli" check --json "$work/$f" 2>&1 >/dev/null
done
