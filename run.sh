#!/usr/bin/env bash
# Installs what is missing, builds, and opens the bundled sample. Without a
# display the sample's table is checked and printed with the CLI instead.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
scripts/build.sh
sample=${1:-examples/sales.html}
build_dir=${QH_BUILD_DIR:-build}
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec "$build_dir/qinghechart" "$sample"
fi
echo "No display found: checking $sample with the command-line tool."
exec "$build_dir/qinghechart-cli" check "$sample"
