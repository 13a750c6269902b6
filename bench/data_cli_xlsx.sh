#!/bin/sh
# Whole-process timing and peak memory of "qinghechart-cli check --json" on
# a large .xlsx that the workbook benchmark writes itself: a header and
# ROWS rows (default 1,000,000, about 17 MB) of a Chinese item name (a
# shared string) and an amount, laid out as openpyxl lays it out. With a
# second CLI (a build of main, say) both are timed side by side.
# Usage: bench/data_cli_xlsx.sh BUILD_DIR [ROWS] [CLI_BEFORE]
# (a build configured with -DQH_BUILD_BENCH=ON).
set -eu
build=${1:?usage: $0 BUILD_DIR [ROWS] [CLI_BEFORE]}
rows=${2:-1000000}
before=${3:-}
here=$(dirname "$0")
cli="$build/tools/qinghechart-cli"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
xlsx=$("$build/bench/data_workbook_bench" --write-xlsx "$work" "$rows")
"$cli" check --json "$xlsx" | head -c 60; echo
set -- "$cli check --json $xlsx"
if [ -n "$before" ]; then
  if [ "$("$before" check --json "$xlsx" | md5sum)" = "$("$cli" check --json "$xlsx" | md5sum)" ]; then
    echo "outputs identical"
  else
    echo "OUTPUTS DIFFER"
  fi
  set -- "$before check --json $xlsx" "$@"
fi
[ -z "$before" ] || echo "first line: CLI_BEFORE, second: BUILD_DIR's CLI"
hyperfine -N -i --warmup 1 --runs "${QH_BENCH_RUNS:-9}" --export-json "$work/times.json" "$@"
python3 "$here/print_medians.py" "$work/times.json"
printf '%s (%s bytes): ' "$(basename "$xlsx")" "$(stat -c %s "$xlsx")"
/usr/bin/time -f '%M KB peak' "$cli" check --json "$xlsx" 2>&1 >/dev/null
