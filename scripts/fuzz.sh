#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for N seconds (default
# 30), starting from its committed seed corpus: scripts/fuzz.sh [seconds]
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh --test
seconds="${1:-30}"
build=build/fuzz
cmake -S . -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DNOLVETTA_FUZZ=ON -DNOLVETTA_WERROR=ON
cmake --build "$build" -j"$(nproc)"
# The data-file target writes files: memory makes it fast where there is some.
[ -d /dev/shm ] && export TMPDIR=/dev/shm
for seeds in tests/fuzz/corpus/*/; do
    target="$(basename "$seeds")"
    corpus="$build/corpus/$target"  # what the run finds stays out of the source tree
    mkdir -p "$corpus"
    status=0
    "$build/tests/fuzz/${target}_fuzz" -max_total_time="$seconds" "$corpus" "$seeds" \
        > "$build/$target.log" 2>&1 || status=$?
    echo "== $target, ${seconds} s: $(grep -E '^#[0-9]+[[:space:]]+DONE' "$build/$target.log" || echo 'did not finish')"
    if [ "$status" -ne 0 ]; then
        tail -n 40 "$build/$target.log"
        exit "$status"
    fi
done
