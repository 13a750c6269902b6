#!/usr/bin/env bash
# Configures (once) and builds the project into ./build.
# QH_WERROR=ON (as CI sets it) turns compiler warnings into errors.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${QH_BUILD_DIR:-build}
if [ ! -f "$build_dir/CMakeCache.txt" ]; then
  cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQH_WERROR="${QH_WERROR:-OFF}" "$@"
fi
cmake --build "$build_dir" --parallel "$(nproc)"
