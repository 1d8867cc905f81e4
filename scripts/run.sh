#!/usr/bin/env bash
# Installs what is missing, builds Nolvetta and starts it. Without a display,
# shows what the window looks like instead.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DNOLVETTA_BUILD_TESTS=OFF
cmake --build build/release -j"$(nproc)"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "There is no display here, so Nolvetta runs under Xvfb just long enough for a picture."
    bash scripts/screenshot.sh build/release build/release/nolvetta-screenshot.png
    echo "The window: $PWD/build/release/nolvetta-screenshot.png"
    echo "On a desktop, start it with: $PWD/build/release/src/ui/nolvetta"
    exit 0
fi
exec build/release/src/ui/nolvetta
