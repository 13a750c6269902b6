#!/bin/sh
# Whole-process benchmarks of large CSV files through qinghechart-cli, each
# paired run by run with its peer (bench/paired_runs.py: median CPU, wall,
# peak memory, A/B ratio):
#   0. the start-up floor of any Qt render (bench/qt_text_floor) against
#      gnuplot on 1,000 rows;
#   1. render of 1,000, 100,000 and 1,000,000 rows to a bar PNG, against
#      gnuplot drawing a labelled bar chart of the rows that fit with the
#      statistics of all rows in its title (stats, every ::0::27, pngcairo,
#      WenQuanYi);
#   2. render and check --json of 1,000,000 rows alone: CPU, MB/s, peak
#      memory against the file's size;
#   3. render of ROWS_BIG rows (default 10,000,000, about 400 MB), once:
#      its time and peak memory;
#   4. 100 small files x 3 kinds on two threads (-j 2) against one (-j 1).
# The files are made here: Chinese item names, amounts with two decimals,
# a negative one now and then. Needs gnuplot-nox and fonts-wqy-microhei
# (or -zenhei). Usage: bench/cli_render_big_csv.sh BUILD_DIR [RUNS] [ROWS_BIG]
set -eu
build=${1:?usage: $0 BUILD_DIR [RUNS] [ROWS_BIG]}
runs=${2:-7}
big=${3:-10000000}
here=$(cd "$(dirname "$0")" && pwd)
cli="$(cd "$build" && pwd)/tools/qinghechart-cli"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
pair() { python3 "$here/paired_runs.py" "$@"; }
rows() {  # N FILE
  awk -v n="$1" 'BEGIN {
    split("华东 华南 华北 华中 西南 西北 东北", region, " ")
    split("青禾一号 青禾二号 配件耗材 维保服务 青禾Pro", product, " ")
    for (i = 0; i < n; i++) {
      v = (i * 7919 % 9000000 + 1234) / 100
      if (i % 13 == 5) v = -v
      printf "%s%s%d,%.2f\n", region[i % 7 + 1], product[i % 5 + 1], i, v
    }
  }' >"$2"
}
font=$(fc-match -f '%{family[0]}' 'WenQuanYi Micro Hei')
cat >"$work/peer.gp" <<GP
set terminal pngcairo size 1200,700 font "$font,10"
set output ARG2
set datafile separator ","
stats ARG1 using 2 nooutput
set title sprintf("合计 %.2f    平均 %.2f    最高 %.2f", STATS_sum, STATS_mean, STATS_max)
set style data histograms
set style fill solid
set xtics rotate by -45
plot ARG1 using 2:xtic(1) every ::0::27 notitle
GP

# What no render can go below: a Qt program that only draws one line of
# text in a picture (bench/qt_text_floor.cpp), against gnuplot on the
# smallest file.
rows 1000 "$work/rows1000.csv"
echo "== start-up floor: qt_text_floor (A) against gnuplot on 1,000 rows (B)"
pair "$runs" "$(cd "$build" && pwd)/bench/qt_text_floor" \
  "gnuplot -c $work/peer.gp $work/rows1000.csv $work/g.png"

for n in 1000 100000 1000000; do
  rows "$n" "$work/rows$n.csv"
  echo "== $n rows ($(stat -c %s "$work/rows$n.csv") bytes) -> bar PNG: qinghechart-cli (A) against gnuplot (B)"
  pair "$runs" "$cli render --kind bar -o $work/q.png $work/rows$n.csv" \
    "gnuplot -c $work/peer.gp $work/rows$n.csv $work/g.png"
done

csv="$work/rows1000000.csv"
size=$(stat -c %s "$csv")
echo "== 1,000,000 rows ($size bytes): render (A) against check --json (B)"
pair "$runs" "$cli render --kind bar -o $work/q.png $csv" "$cli check --json $csv"
echo "(MB/s of check --json: $size bytes / its median CPU; 1.5x the file: $((size * 3 / 2 / 1024)) KB)"

rows "$big" "$work/big.csv"
# Past the default bound of 5,000,000 items: a settings file raises it.
printf '[Limits]\r\nMaxItems=%s\r\n' "$((big * 2))" >"$work/big.ini"
echo "== $big rows ($(stat -c %s "$work/big.csv") bytes): render, median of 3 after a warm-up"
"$cli" render --settings "$work/big.ini" --kind bar -o "$work/q.png" "$work/big.csv"
for i in 1 2 3; do
  /usr/bin/time -f '%U s user, %S s system, %e s wall, %M KB peak' \
    "$cli" render --settings "$work/big.ini" --kind bar -o "$work/q.png" "$work/big.csv" 2>&1 | tail -1
done
rm -f "$work/big.csv"

echo "== 100 files x 3 kinds: two threads, -j 2 (A) against one, -j 1 (B)"
mkdir -p "$work/batch" "$work/charts"
i=1
while [ "$i" -le 100 ]; do rows 12 "$work/batch/export$i.csv"; i=$((i + 1)); done
files=$(ls "$work"/batch/*.csv | tr '\n' ' ')
pair "$runs" "$cli render -j 2 --kind bar,pie,line -o $work/charts/{name}-{kind}.png $files" \
  "$cli render -j 1 --kind bar,pie,line -o $work/charts/{name}-{kind}.png $files"
