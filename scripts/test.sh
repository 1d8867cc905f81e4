#!/usr/bin/env bash
# Installs what is missing, then builds and runs the whole suite twice: once
# with warnings as errors, once under AddressSanitizer and UndefinedBehaviorSanitizer;
# then runs every fuzz target for a few seconds, and the Windows program's
# tests (the core's, the behaviour's, the Win32 window's) under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh --test
jobs="$(nproc)"

run_suite() {
    local dir="$1"; shift
    cmake -S . -B "$dir" -DNOLVETTA_WERROR=ON "$@"
    cmake --build "$dir" -j"$jobs"
    ctest --test-dir "$dir" --output-on-failure -j"$jobs" --timeout 120
}

# Optimised, since some warnings only show when the compiler inlines.
echo "== build with warnings as errors"
run_suite build/werror -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNOLVETTA_BUILD_BENCH=ON

echo "== build with AddressSanitizer and UndefinedBehaviorSanitizer"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
run_suite build/sanitize -DCMAKE_BUILD_TYPE=Debug -DNOLVETTA_SANITIZE=ON -DNOLVETTA_BUILD_BENCH=OFF

echo "== fuzz targets, briefly"
bash scripts/fuzz.sh "${NOLVETTA_FUZZ_SECONDS:-10}"

echo "== the Windows program and its tests, under Wine"
bash scripts/test-windows.sh
