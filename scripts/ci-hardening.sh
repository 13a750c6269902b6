#!/usr/bin/env bash
# Hardening stage of CI, run after ./test.sh: builds everything with clang
# under AddressSanitizer and UndefinedBehaviorSanitizer in its own build
# directory, runs the unit tests there, then runs every fuzz target for a
# bounded time. Any compiler warning, sanitizer report, failing test or fuzz
# finding fails CI.
# The fuzz targets share the sanitizer build (QH_FUZZ=ON only adds coverage
# instrumentation), so the sources are compiled once.
#
#   QH_FUZZ_SECONDS=30 (per target)   QH_ASAN_BUILD_DIR=build-asan
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=${QH_ASAN_BUILD_DIR:-build-asan}
fuzz_seconds=${QH_FUZZ_SECONDS:-30}
start=$SECONDS

scripts/install-deps.sh clang-14 libclang-rt-14-dev

# Set before the build too: test discovery runs the test programs.
# fontconfig and FreeType keep caches for the life of the process; their
# allocations are reported as leaks without being ours (tests/fuzz/lsan.supp).
# tests/fuzz/asan.supp is where a third-party library fault would be named.
# intercept_tls_get_addr=0: clang 14's leak checker misreads the dynamic
# TLS of libraries loaded at run time under glibc 2.36 (Qt's image plugins,
# the drawing module) and its tracer crashes at exit ("Tracer caught signal
# 11", a range like "DTLS 8 at 0xabf-0x800001bc1"); their dynamic TLS is
# then simply not scanned.
export ASAN_OPTIONS=detect_leaks=1:intercept_tls_get_addr=0:max_allocation_size_mb=2048:check_initialization_order=1:suppressions=$PWD/tests/fuzz/asan.supp
export LSAN_OPTIONS=suppressions=$PWD/tests/fuzz/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export QT_QPA_PLATFORM=offscreen

if [ ! -f "$build_dir/CMakeCache.txt" ]; then
  CC=clang-14 CXX=clang++-14 cmake -S . -B "$build_dir" -G Ninja \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQH_SANITIZE=ON -DQH_FUZZ=ON -DQH_WERROR=ON \
    -DQH_BUILD_TESTS=ON -DQH_BUILD_BENCH=OFF
fi
cmake --build "$build_dir" --parallel "$(nproc)"
echo "hardening: sanitizer build done after $((SECONDS - start)) s"

ctest --test-dir "$build_dir" --output-on-failure --parallel "$(nproc)" --timeout 600
echo "hardening: sanitizer tests done after $((SECONDS - start)) s"

scripts/fuzz.sh -t "$fuzz_seconds" -b "$build_dir"
echo "hardening: done after $((SECONDS - start)) s"
