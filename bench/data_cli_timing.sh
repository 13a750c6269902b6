#!/bin/sh
# Whole-process timing of "qinghechart-cli check --json" on a large export,
# and each file's peak memory: ROWS rows (default 100,000) as UTF-8 HTML,
# GBK HTML, CSV and .xlsx, 60,000 rows as .xls, and a 30 MB CSV that is one
# single line (refused: it is not two columns, so its exit status is 1).
# Usage: bench/data_cli_timing.sh BUILD_DIR [ROWS]
# (a build configured with -DQH_BUILD_BENCH=ON; the .xlsx needs
# python3-openpyxl and python3-xlwt).
set -eu
build=${1:?usage: $0 BUILD_DIR [ROWS]}
rows=${2:-100000}
here=$(dirname "$0")
cli="$build/tools/qinghechart-cli"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/bench/data_readers_bench" --write-files "$work" "$rows"
/usr/bin/python3 "$here/../tests/data/workbooks/make_workbooks.py" --bench "$work" "$rows"
xlsx=$(ls "$work"/bench_*.xlsx)
files="$work/rows_utf8.html $work/rows_gbk.html $work/rows_utf8.csv $xlsx $work/bench_60k.xls $work/one_line.csv"
for f in $files; do
  "$cli" check --json "$f" | head -c 60; echo
done
printf 'A,1\nB,2\n' > "$work/tiny.csv"  # the start-up cost alone
set -- "$cli check --json $work/tiny.csv"
for f in $files; do set -- "$@" "$cli check --json $f"; done
hyperfine -N -i --warmup 1 --runs "${QH_BENCH_RUNS:-10}" --export-json "$work/times.json" "$@"
python3 "$here/print_medians.py" "$work/times.json"
for f in $files; do
  printf '%s (%s bytes): ' "$(basename "$f")" "$(stat -c %s "$f")"
  /usr/bin/time -f '%M KB peak' "$cli" check --json "$f" 2>&1 >/dev/null
done
