#!/usr/bin/env bash
# Starts the built program under Xvfb in a throw-away program directory and
# saves a screenshot of the screen: scripts/screenshot.sh [build dir] [out.png]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build/release}"
out="${2:-nolvetta-screenshot.png}"
bash scripts/setup.sh --dev

work="$(mktemp -d)"
trap 'kill "${app:-}" "${xvfb:-}" 2>/dev/null || true; rm -rf "$work"' EXIT
cp "$build/src/ui/nolvetta" "$work/"

display=":$((90 + RANDOM % 9))"
Xvfb "$display" -screen 0 640x400x24 -nolisten tcp &
xvfb=$!
sleep 1
DISPLAY="$display" QT_QPA_PLATFORM=xcb "$work/nolvetta" &
app=$!
sleep 3
DISPLAY="$display" import -window root -crop 400x300+0+0 "$out"
echo "saved $out"
