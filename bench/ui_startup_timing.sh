#!/usr/bin/env bash
# Whole-process wall time from launch to the first chart on screen, with a
# 10,000-row HTML file: median of hyperfine runs.
#   bench/ui_startup_timing.sh [build-dir]     (needs -DQH_BUILD_BENCH=ON)
# With DISPLAY set it runs on that X server, otherwise offscreen.
set -euo pipefail
build=${1:-build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 - "$work/rows10k.html" <<'PY'
import sys
rows = ''.join(f'<tr><td>项目{i}</td><td>{(i * 7919) % 100000 + 0.25}</td></tr>' for i in range(1, 10001))
open(sys.argv[1], 'w', encoding='utf-8').write(
    '<html><body><table><tr><th>项目</th><th>数值</th></tr>' + rows + '</table></body></html>')
PY
platform=offscreen
[ -n "${DISPLAY:-}" ] && platform=xcb
QT_QPA_PLATFORM=$platform hyperfine -N --warmup 3 --runs 25 --export-json "$work/t.json" \
  "$build/bench/ui_window_bench --first-chart $work/rows10k.html" >/dev/null
python3 -c "import json,sys; r=json.load(open(sys.argv[1]))['results'][0]; \
print(f'start-up to first chart ($platform): median {r[\"median\"]*1000:.1f} ms, mean {r[\"mean\"]*1000:.1f} ms')" "$work/t.json"
