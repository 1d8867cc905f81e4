#!/usr/bin/env bash
# Starts the built program under Xvfb in a throw-away program directory and
# saves a picture of its window: scripts/screenshot.sh [build dir] [out.png]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build/release}"
out="${2:-nolvetta-screenshot.png}"
bash scripts/setup.sh --dev

work="$(mktemp -d)"
cleanup() {
    [ -n "${app:-}" ] && kill "$app" 2>/dev/null && wait "$app" 2>/dev/null
    [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
cp "$build/src/ui/nolvetta" "$work/"

# Xvfb picks a free display and names it once it accepts connections.
Xvfb -displayfd 3 -screen 0 640x400x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb=$!
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
export DISPLAY=":$(cat "$work/display")"
QT_QPA_PLATFORM=xcb HOME="$work" "$work/nolvetta" 2>/dev/null &
app=$!
window="$(timeout 30 xdotool search --sync --onlyvisible --name '^!Nolvetta$' | head -n 1)"
sleep 1  # its first paint
import -window "$window" "$out"
echo "saved $out"
