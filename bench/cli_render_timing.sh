#!/bin/sh
# Whole-process benchmarks of "qinghechart-cli render", each paired run by
# run against its peer (bench/paired_runs.py: median CPU, wall, peak memory,
# A/B ratio):
#   1. the fixed cost: a 2-row CSV to a 1200x700 PNG, against "check";
#   2. a CSV of 1,000, 100,000 and 1,000,000 rows to a bar PNG, against
#      gnuplot drawing the same file as a bar chart of the same size;
#   3. 100 small files x 3 kinds in one process, against 300 processes,
#      and on two threads (-j 2) against one (-j 1).
# Needs gnuplot-nox. Usage: bench/cli_render_timing.sh BUILD_DIR [RUNS]
set -eu
build=${1:?usage: $0 BUILD_DIR [RUNS]}
runs=${2:-9}
here=$(cd "$(dirname "$0")" && pwd)
cli="$(cd "$build" && pwd)/tools/qinghechart-cli"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
pair() { python3 "$here/paired_runs.py" "$@"; }
rows() {  # N FILE: item names in Chinese, amounts with two decimals
  awk -v n="$1" 'BEGIN { for (i = 1; i <= n; i++) printf "项目%d,%.2f\n", i, 10000 + (i % 977) * 7.31 }' >"$2"
}
font=$(fc-match -f '%{family[0]}' 'WenQuanYi Micro Hei')
# Two gnuplot peers: "labels" draws the chart ours is (every bar with its
# name, antialiased, a CJK font), "boxes" the quickest bar plot (no names,
# libgd). Past 100,000 rows the labelled one takes minutes a run.
cat >"$work/labels.gp" <<GP
set terminal pngcairo size 1200,700 font "$font,10"
set output ARG2
set datafile separator ","
set style data histograms
set style fill solid
set xtics rotate by -45
plot ARG1 using 2:xtic(1) notitle
GP
cat >"$work/boxes.gp" <<GP
set terminal png size 1200,700
set output ARG2
set datafile separator ","
set style fill solid
plot ARG1 using 0:2 with boxes notitle
GP

echo "== fixed cost: 2-row CSV -> 1200x700 PNG (A), against check of the same file (B)"
rows 2 "$work/two.csv"
pair "$runs" "$cli render -o $work/two.png $work/two.csv" "$cli check $work/two.csv"

for n in 1000 100000 1000000; do
  rows "$n" "$work/rows.csv"
  r=$runs; [ "$n" -gt 1000 ] && r=3
  for style in labels boxes; do
    [ "$n" -gt 100000 ] && [ "$style" = labels ] && continue
    echo "== $n rows -> bar PNG: qinghechart-cli (A) against gnuplot, $style (B)"
    pair "$r" "$cli render --kind bar -o $work/q.png $work/rows.csv" \
      "gnuplot -c $work/$style.gp $work/rows.csv $work/g.png"
  done
done

echo "== 100 files x 3 kinds: one process (A) against 300 processes (B)"
mkdir -p "$work/batch" "$work/charts"
i=1
while [ "$i" -le 100 ]; do rows 12 "$work/batch/export$i.csv"; i=$((i + 1)); done
cat >"$work/separate.sh" <<SH
for f in $work/batch/*.csv; do
  for k in bar pie line; do "$cli" render --kind \$k -o "$work/charts/\$(basename \$f .csv)-\$k.png" "\$f"; done
done
SH
pair 3 "$cli render -j 1 --kind bar,pie,line -o $work/charts/{name}-{kind}.png $(ls "$work"/batch/*.csv | tr '\n' ' ')" \
  "sh $work/separate.sh"
echo "== 100 files x 3 kinds: two threads, -j 2 (A) against one, -j 1 (B)"
files=$(ls "$work"/batch/*.csv | tr '\n' ' ')
pair 5 "$cli render -j 2 --kind bar,pie,line -o $work/charts/{name}-{kind}.png $files" \
  "$cli render -j 1 --kind bar,pie,line -o $work/charts/{name}-{kind}.png $files"
