#!/usr/bin/env bash
# Builds the Windows program (the core, the window's behaviour and the Win32
# window) and all their tests with MinGW-w64, warnings as errors, and runs the
# tests under Wine in a fresh Wine prefix, with Xvfb as the X server so that
# the window can be created and driven. Then makes the zip and the installer
# and tries both, each in a fresh prefix of its own.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh --windows
bash scripts/build-windows-libs.sh  # the message reader's, once per machine
export WINEDEBUG=-all WINEPREFIX="$PWD/build/windows/wine"
wine="$(command -v wine || echo /usr/lib/wine/wine64)"
wineserver="$(command -v wineserver || echo /usr/lib/wine/wineserver)"

# Xvfb picks a free display and names it once it accepts connections.
display="$(mktemp)"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$display" 2>/dev/null &
xvfb=$!
cleanup() {
    "$wineserver" --kill 2>/dev/null || true
    kill "$xvfb" 2>/dev/null || true
    rm -f "$display"
}
trap cleanup EXIT
for _ in $(seq 100); do
    [ -s "$display" ] && break
    sleep 0.1
done
export DISPLAY=":$(cat "$display")"

# A fresh prefix, made once before anything runs in it; Wine's UI fonts
# mapped to a Japanese one, or its controls draw Japanese text as boxes.
"$wineserver" --kill 2>/dev/null || true
rm -rf "$WINEPREFIX"
mkdir -p "$WINEPREFIX"
"$wine" wineboot --init
# Converted: regedit reads UTF-16, or else the prefix's code page.
{ printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE tests/win32/wine-prefix.reg; } >"$WINEPREFIX/prefix.reg"
"$wine" regedit "$WINEPREFIX/prefix.reg"

# One Wine process lives through the build (which lists the tests under Wine)
# and the tests: the server and Wine's own services then start once, here,
# holding no test's output, and no test meets a server that is just ending.
# It reads a pipe this script holds open, and ends when the script does.
"$wineserver" --wait
keeper="$WINEPREFIX/keeper"
mkfifo "$keeper"
exec 4<>"$keeper"
"$wine" cmd <"$keeper" >/dev/null 2>&1 &

cmake --preset windows
cmake --build --preset windows -j"$(nproc)"
ctest --preset windows -j"$(nproc)"

echo "== the zip and the installer, tried under Wine"
bash scripts/package-windows.sh
bash tests/win32/packages.sh build/windows-package build/windows/tests/win32/use_program.exe
