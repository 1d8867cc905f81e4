#!/usr/bin/env bash
# Builds the core and its tests for Windows with MinGW-w64, warnings as errors,
# and runs them under Wine in a Wine prefix of their own.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh --windows
export WINEDEBUG=-all WINEPREFIX="$PWD/build/windows/wine"
wine="$(command -v wine || echo /usr/lib/wine/wine64)"
mkdir -p "$WINEPREFIX"
"$wine" wineboot --init  # the prefix, made once before anything runs in it
cmake --preset windows
cmake --build --preset windows -j"$(nproc)"
status=0
ctest --preset windows -j"$(nproc)" || status=$?
"$(command -v wineserver || echo /usr/lib/wine/wineserver)" --kill || true
exit "$status"
