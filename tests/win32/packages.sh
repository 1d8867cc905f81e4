#!/usr/bin/env bash
# packages.sh PACKAGE_DIR USE_PROGRAM: the zip and the installer that
# scripts/package-windows.sh made in PACKAGE_DIR, tried as a user tries them,
# under Wine on the X server $DISPLAY, in a fresh prefix. USE_PROGRAM is
# use_program.exe of the Windows build's tests: it starts, fills and closes
# the program.
set -euo pipefail
packages="$(realpath "$1")" use="$(realpath "$2")"
source_dir="$(cd "$(dirname "$0")/../.." && pwd)"
version="$(sed -nE 's/^project\(Nolvetta VERSION ([0-9.]+).*/\1/p' "$source_dir/CMakeLists.txt")"
zip="$packages/nolvetta-$version-windows-x64.zip" setup="$packages/nolvetta-$version-setup.exe"
wine="$(command -v wine || echo /usr/lib/wine/wine64)"
wineserver="$(command -v wineserver || echo /usr/lib/wine/wineserver)"

scratch="$(mktemp -d "${TMPDIR:-/tmp}/nolvetta-packages.XXXXXX")"
# The installer's shortcuts must not become menu entries of this machine's desktop.
export WINEDEBUG=-all WINEPREFIX="$scratch/wine" WINEDLLOVERRIDES="winemenubuilder.exe=d"
cleanup() {
    "$wineserver" --kill 2>/dev/null || true
    rm -rf "$scratch"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*"
    exit 1
}
[ -n "${DISPLAY:-}" ] || fail "no X server; scripts/test-windows.sh starts one"
[ -f "$zip" ] && [ -f "$setup" ] || fail "no $zip or $setup; run bash scripts/package-windows.sh"
[ "$(stat -c %s "$zip")" -le 4000000 ] || fail "$zip is over 4 MB"

"$wine" wineboot --init 2>/dev/null
folder() { "$wine" cmd /c echo "%$1%" | tr -d '\r'; }
unix() { "$wine" winepath -u "$1" | tr -d '\r'; }
lists="$(unix "$(folder APPDATA)\\Nolvetta")"
holds() { [ "$(cat "$1" 2>/dev/null)" = "$2"$'\r' ]; }  # one line, CR LF

# The zip, unpacked anywhere: the lists beside the program.
mkdir "$WINEPREFIX/drive_c/portable"
(cd "$WINEPREFIX/drive_c/portable" && cmake -E tar xf "$zip")
unpacked="$WINEPREFIX/drive_c/portable/Nolvetta"
[ "$(stat -c %s "$unpacked/nolvetta.exe")" -le 8000000 ] || fail "nolvetta.exe is over 8 MB"
[ "$(LC_ALL=C ls "$unpacked" | tr '\n' ' ')" = "LICENSE.txt README.txt nolvetta.exe " ] ||
    fail "the zip holds: $(ls "$unpacked")"
"$wine" "$use" 'C:\portable\Nolvetta\nolvetta.exe' || fail "the unpacked program did not run and end"
holds "$unpacked/nolvetta1.dat" True && [ -f "$unpacked/nolvetta.dat" ] && [ ! -e "$lists" ] ||
    fail "the unpacked program did not keep its lists beside itself"

# Installed for every user and for one: the lists with the user, and still
# there once the program is gone.
for mode in AllUsers CurrentUser; do
    if [ $mode = AllUsers ]; then
        root=HKLM program='C:\Program Files\Nolvetta' menu="$(folder ProgramData)"
    else
        root=HKCU program="$(folder LOCALAPPDATA)\\Programs\\Nolvetta" menu="$(folder APPDATA)"
    fi
    key="$root\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Nolvetta"
    shortcut="$(unix "$menu\\Microsoft\\Windows\\Start Menu\\Programs\\Nolvetta.lnk")"
    installed="$(unix "$program")"
    rm -rf "$lists"

    "$wine" "$setup" /S /$mode || fail "$mode: the installer failed"
    entry="$("$wine" reg query "$key" | tr -d '\r')" || fail "$mode: no $key"
    value() { sed -nE "s/^ +$1 +REG_[A-Z_]+ +//p" <<<"$entry"; }
    for name in DisplayName Publisher DisplayIcon UninstallString QuietUninstallString EstimatedSize; do
        [ -n "$(value $name)" ] || fail "$mode: $key has no $name"
    done
    [ "$(value DisplayVersion)" = "$version" ] && [ "$(value InstallLocation)" = "$program" ] ||
        fail "$mode: $key says $entry"
    grep -qaF "$program\\nolvetta.exe" "$shortcut" || fail "$mode: no shortcut to the program"

    "$wine" "$use" "$program\\nolvetta.exe" "$mode@example.jp" ||
        fail "$mode: the installed program did not run and end"
    holds "$lists/nolvetta.dat" "$mode@example.jp" && [ ! -e "$installed/nolvetta.dat" ] ||
        fail "$mode: the lists are not in %APPDATA%\\Nolvetta alone"

    quiet="$(value QuietUninstallString)"  # "C:\...\uninstall.exe" /Mode /S
    uninstaller="${quiet#\"}"
    # It goes on in a copy of itself: done when every process of the prefix is.
    "$wine" "${uninstaller%%\"*}" ${quiet##*\" } || fail "$mode: the uninstaller failed"
    "$wineserver" --wait
    [ ! -e "$installed" ] && [ ! -e "$shortcut" ] || fail "$mode: program files left behind"
    ! "$wine" reg query "$key" >/dev/null 2>&1 || fail "$mode: $key left behind"
    holds "$lists/nolvetta.dat" "$mode@example.jp" || fail "$mode: the uninstaller took the lists"
done
echo "PASS: ${zip##*/} keeps the lists beside the program; ${setup##*/} for every user and" \
    "for one keeps them in %APPDATA%\\Nolvetta, and its uninstaller leaves them"
