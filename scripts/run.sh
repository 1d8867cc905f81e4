#!/usr/bin/env bash
# Installs what is missing, builds Nolvetta and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DNOLVETTA_BUILD_TESTS=OFF
cmake --build build/release -j"$(nproc)"
exec build/release/src/ui/nolvetta
