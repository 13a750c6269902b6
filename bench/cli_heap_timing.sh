#!/bin/sh
# Whether the command-line tool's heap tuning (tools/process_heap.cpp) pays:
# "render" of a CSV of 1,000, 100,000 and 1,000,000 rows to a bar PNG and
# "check" of the largest, run pair by pair (bench/paired_runs.py: median CPU,
# wall, peak memory, A/B ratio) by a tool with the tuning (A) and one built
# without the call in cli_main.cpp (B). Both must sit in the build's tools/
# folder, beside the drawing module.
# Usage: bench/cli_heap_timing.sh CLI_WITH CLI_WITHOUT [RUNS]
set -eu
with=${1:?usage: $0 CLI_WITH CLI_WITHOUT [RUNS]}
without=${2:?usage: $0 CLI_WITH CLI_WITHOUT [RUNS]}
runs=${3:-9}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
rows() {  # N FILE: item names in Chinese, amounts with two decimals
  awk -v n="$1" 'BEGIN { for (i = 1; i <= n; i++) printf "项目%d,%.2f\n", i, 10000 + (i % 977) * 7.31 }' >"$2"
}
for n in 1000 100000 1000000; do
  rows "$n" "$work/rows.csv"
  echo "== render, $n rows -> bar PNG: with the tuning (A), without (B)"
  python3 "$here/paired_runs.py" "$runs" \
    "$with render --kind bar -o $work/a.png $work/rows.csv" \
    "$without render --kind bar -o $work/b.png $work/rows.csv"
done
echo "== check --json, 1000000 rows: with the tuning (A), without (B)"
python3 "$here/paired_runs.py" "$runs" "$with check --json $work/rows.csv" \
  "$without check --json $work/rows.csv"
