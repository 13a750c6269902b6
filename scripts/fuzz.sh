#!/usr/bin/env bash
# Runs the libFuzzer targets one after another, each for a bounded time,
# starting from its committed seeds (tests/fuzz/corpus/<target>; the .xls
# targets also from every committed .xls test file). New inputs
# go to a scratch corpus, never into the repository. Prints each target's
# executions and coverage; exits non-zero when any target finds a crash, a
# hang, a leak or runaway memory (the input is kept under the artifact dir).
#
#   scripts/fuzz.sh [-t seconds] [-b build-dir] [target ...]
#
# Build the targets first: cmake -DQH_FUZZ=ON with clang (see ci-hardening.sh).
set -uo pipefail
cd "$(dirname "$0")/.."

seconds=30
build_dir=build-asan
while getopts "t:b:" opt; do
  case $opt in
    t) seconds=$OPTARG ;;
    b) build_dir=$OPTARG ;;
    *) exit 2 ;;
  esac
done
shift $((OPTIND - 1))

# Largest input worth trying per target: enough for a realistic file,
# small enough that one run stays fast.
declare -A max_len=(
  [fuzz_csv_reader]=8192 [fuzz_html_reader]=16384 [fuzz_xlsx_reader]=65536
  [fuzz_xls_reader]=32768 [fuzz_xls_records]=65536 [fuzz_spreadsheet_xml]=16384
  [fuzz_workbook_dispatch]=32768 [fuzz_workbook_decrypt]=16384 [fuzz_manual_input]=4096 [fuzz_value_rules]=128
  [fuzz_text_decode]=4096 [fuzz_html_scan]=8192 [fuzz_ini_file]=4096
  [fuzz_last_modified]=256 [fuzz_pe_link_time]=2048 [fuzz_png_encoder]=65536
)
# Committed data files that seed a target besides its own corpus folder.
declare -A data_seeds=(
  [fuzz_xls_reader]="tests/data/workbooks/*.xls tests/data/hostile/*.xls"
  [fuzz_xls_records]="tests/data/workbooks/*.xls tests/data/hostile/*.xls"
)
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=($(printf '%s\n' "${!max_len[@]}" | sort))

fuzz_bin_dir=$build_dir/tests/fuzz
work=${QH_FUZZ_WORK:-$build_dir/fuzz-work}
artifacts=$work/artifacts
mkdir -p "$artifacts"
# Qt is built without frame pointers, so unwinding through it at every
# allocation yields ever-new junk stacks, each of which the sanitizer keeps;
# with the default 256 MB quarantine a ten-minute run passes the RSS limit
# while the live heap stays near 25 MB. Two frames per allocation and a
# smaller quarantine keep memory flat. Replay a finding with the default
# options to see full allocation stacks.
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:intercept_tls_get_addr=0:suppressions=$PWD/tests/fuzz/asan.supp}:malloc_context_size=2:quarantine_size_mb=64"
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/tests/fuzz/lsan.supp:print_suppressions=0}

failed=()
for target in "${targets[@]}"; do
  bin=$fuzz_bin_dir/$target
  if [ ! -x "$bin" ]; then
    echo "fuzz: $target not built in $fuzz_bin_dir" >&2
    failed+=("$target(missing)")
    continue
  fi
  corpus=$work/corpus/$target
  mkdir -p "$corpus"
  seeds=()
  [ -d "tests/fuzz/corpus/$target" ] && seeds+=("tests/fuzz/corpus/$target")
  if [ -n "${data_seeds[$target]:-}" ]; then
    seeds+=("$work/seeds/$target")
    mkdir -p "$work/seeds/$target"
    # shellcheck disable=SC2086  # the globs are meant to expand
    cp ${data_seeds[$target]} "$work/seeds/$target/"
  fi
  log=$work/$target.log
  nice -n 19 "$bin" "$corpus" "${seeds[@]}" \
    -max_total_time="$seconds" -max_len="${max_len[$target]:-4096}" \
    -seed=1 -timeout=5 -rss_limit_mb=1024 -malloc_limit_mb=1024 \
    -artifact_prefix="$artifacts/$target-" -print_final_stats=1 >"$log" 2>&1
  status=$?
  runs=$(grep -oE 'stat::number_of_executed_units: *[0-9]+' "$log" | grep -oE '[0-9]+$')
  cov=$(grep -oE 'cov: [0-9]+ ft: [0-9]+' "$log" | tail -1)
  printf 'fuzz: %-20s %6ss  runs=%-10s %s  exit=%s\n' "$target" "$seconds" "${runs:-?}" "${cov:-cov: ?}" "$status"
  if [ $status -ne 0 ]; then
    failed+=("$target")
    grep -E 'ERROR:|SUMMARY:|runtime error|invariant violated|Test unit written' "$log" | head -20
    echo "fuzz: full log in $log"
  fi
done

if [ ${#failed[@]} -ne 0 ]; then
  echo "fuzz: FINDINGS in ${failed[*]} (inputs in $artifacts)" >&2
  exit 1
fi
echo "fuzz: no findings"
