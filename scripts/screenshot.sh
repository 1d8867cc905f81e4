#!/usr/bin/env bash
# Starts the built program under Xvfb in a throw-away program directory and
# saves a picture of its window: scripts/screenshot.sh [build dir] [out.png].
# A Windows build (build/windows) runs under Wine, in a prefix of its own set
# up as the tests' is.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build/release}"
out="${2:-nolvetta-screenshot.png}"
bash scripts/setup.sh --dev

work="$(mktemp -d)"
cleanup() {
    set +e  # every step, whatever the one before did: a killed program reports failure
    [ -n "${app:-}" ] && kill "$app" 2>/dev/null && wait "$app" 2>/dev/null
    [ -n "${WINEPREFIX:-}" ] && "$wineserver" --kill 2>/dev/null
    [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# Xvfb picks a free display and names it once it accepts connections.
Xvfb -displayfd 3 -screen 0 640x400x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb=$!
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
export DISPLAY=":$(cat "$work/display")"
if [ -f "$build/src/win32/nolvetta.exe" ]; then
    bash scripts/setup.sh --windows
    export WINEDEBUG=-all WINEPREFIX="$work/wine"
    wine="$(command -v wine || echo /usr/lib/wine/wine64)"
    wineserver="$(command -v wineserver || echo /usr/lib/wine/wineserver)"
    "$wine" wineboot --init
    { printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE tests/win32/wine-prefix.reg; } >"$WINEPREFIX/prefix.reg"
    "$wine" regedit "$WINEPREFIX/prefix.reg"
    # The symbols of the caption's buttons, which Wine finds only there.
    cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
    cp "$build/src/win32/nolvetta.exe" "$work/"
    "$wine" "$work/nolvetta.exe" 2>/dev/null &
else
    cp "$build/src/ui/nolvetta" "$work/"
    QT_QPA_PLATFORM=xcb HOME="$work" "$work/nolvetta" 2>/dev/null &
fi
app=$!
window="$(timeout 60 xdotool search --sync --onlyvisible --name '^!Nolvetta$' | head -n 1)"
sleep 1  # its first paint
import -window "$window" "$out"
echo "saved $out"
