#!/bin/sh
# Whole-process timing of "qinghechart-cli render" writing PNG, SVG and PDF
# from the 100,000-row CSV export, the sizes of the files, and matplotlib's
# savefig of the same 100,000 bars as SVG for comparison (it writes every
# bar; the chart writes the bars that fit).
# Usage: bench/chart_vector_timing.sh BUILD_DIR (configured with -DQH_BUILD_BENCH=ON).
set -eu
build=${1:?usage: $0 BUILD_DIR}
here=$(dirname "$0")
"$here/../scripts/install-deps.sh" hyperfine python3-matplotlib
cli="$build/tools/qinghechart-cli"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/bench/data_readers_bench" --write-files "$work" >/dev/null
csv="$work/rows_utf8.csv"
run="$cli render --kind bar --size 1200x700"
hyperfine -N --warmup 3 --runs 30 --export-json "$work/times.json" \
  "$run $csv -o $work/out.png" \
  "$run $csv -o $work/out.svg" \
  "$run $csv -o $work/out.pdf"
python3 "$here/print_medians.py" "$work/times.json"
hyperfine -N --runs 3 --export-json "$work/peer.json" \
  "/usr/bin/python3 $here/matplotlib_bars.py $csv $work/peer.svg"
python3 "$here/print_medians.py" "$work/peer.json"
for f in out.png out.svg out.pdf peer.svg; do
  printf '%-8s %10d bytes\n' "$f" "$(stat -c %s "$work/$f")"
done
