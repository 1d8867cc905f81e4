#!/usr/bin/env bash
# Pictures of the newsletter list under Xvfb: the window test reads a home of
# made-up mail (a Thunderbird profile, a Claws Mail folder and more), leaves
# two newsletters and reads again once one of them kept coming:
# scripts/list-screenshots.sh [build dir] [folder for the pictures].
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build/dev}"
out="$(realpath -m "${2:-list-screenshots}")"
mkdir -p "$out"
work="$(mktemp -d)"
cleanup() {
    [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb=$!
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
DISPLAY=":$(cat "$work/display")" QT_QPA_PLATFORM=xcb NOLVETTA_SCREENSHOTS="$out" \
    "$build/tests/ui/ui_tests" --gtest_filter='*TheListShows*'
ls "$out"
