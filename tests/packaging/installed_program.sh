#!/usr/bin/env bash
# installed_program.sh BUILD_DIR [CPACK]: makes the Debian package of this build,
# unpacks it into a scratch root and starts the installed program there as an
# ordinary user, on Qt's offscreen platform, with a home of its own. After a
# termination signal it must have exited 0, kept its data under $XDG_DATA_HOME
# and written nothing beside itself.
set -euo pipefail
build=$1 cpack=${2:-cpack}
wait_seconds=30

scratch="$(mktemp -d "${TMPDIR:-/tmp}/nolvetta-package.XXXXXX")"
pid=""
cleanup() {
    set +e
    [ -z "$pid" ] || kill -KILL "$pid" 2>/dev/null
    chmod -R u+w "$scratch" 2>/dev/null
    rm -rf "$scratch"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*"
    [ -s "$scratch/stderr" ] && { echo "--- what the program wrote to standard error:"; cat "$scratch/stderr"; }
    exit 1
}
for tool in "$cpack" dpkg-deb setpriv; do
    command -v "$tool" >/dev/null || fail "$tool is missing; run: bash scripts/setup.sh --test"
done

# The package, made in the scratch folder.
"$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/out" >"$scratch/cpack.log" 2>&1 ||
    { cat "$scratch/cpack.log"; fail "cpack could not make the package"; }
debs=("$scratch"/out/*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "cpack made no single .deb: ${debs[*]}"
root="$scratch/root" home="$scratch/home"
dpkg-deb -x "${debs[0]}" "$root" || fail "dpkg-deb cannot unpack ${debs[0]}"
program="$root/usr/bin/nolvetta"
[ -x "$program" ] || fail "the package has no executable /usr/bin/nolvetta"

# Root may write anywhere, so the program runs as user 65534, whom the
# package's folders refuse; anyone else runs as themselves in a read-only copy.
chmod 755 "$scratch"
mkdir -m 700 "$home" "$home/runtime"
as_user=()
if [ "$(id -u)" -eq 0 ]; then
    chown -R 65534:65534 "$home"
    as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
else
    chmod -R a-w "$root"
fi
listing() { (cd "$root" && find . -printf '%p %M %s\n' | LC_ALL=C sort); }
before="$(listing)"

"${as_user[@]}" env -i PATH=/usr/bin:/bin LANG=C.UTF-8 QT_QPA_PLATFORM=offscreen HOME="$home" \
    XDG_DATA_HOME="$home/data" XDG_RUNTIME_DIR="$home/runtime" "$program" 2>"$scratch/stderr" &
pid=$!

# Ready once it is the program, not the launcher, and catches SIGTERM.
ready=""
for ((i = 0; i < wait_seconds * 10; i++)); do
    [ -e "/proc/$pid" ] || break
    if [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = nolvetta ]; then
        caught="$(awk '/^SigCgt:/ { print $2 }' "/proc/$pid/status" 2>/dev/null || true)"
        if [ -n "$caught" ] && (((0x$caught >> (15 - 1)) & 1)); then
            ready=yes
            break
        fi
    fi
    sleep 0.1
done
[ -n "$ready" ] || fail "the program ended, or did not catch SIGTERM within $wait_seconds s"

kill -TERM "$pid" || true  # had it ended already, its status tells
for ((i = 0; i < wait_seconds * 10; i++)); do
    state="$(sed 's/.*) //' "/proc/$pid/stat" 2>/dev/null | cut -d' ' -f1 || true)"  # gone once reaped
    [ -z "$state" ] || [ "$state" = Z ] && break
    sleep 0.1
done
[ -z "$state" ] || [ "$state" = Z ] || fail "the program still runs $wait_seconds s after SIGTERM"
status=0
wait "$pid" || status=$?
pid=""
[ $status -eq 0 ] || fail "the program exited with status $status after SIGTERM"

after="$(listing)"
[ "$before" = "$after" ] ||
    fail "the program wrote beside itself: $(diff <(echo "$before") <(echo "$after") | grep '^[<>]')"

data="$home/data/nolvetta"
[ -f "$data/nolvetta.dat" ] && [ ! -s "$data/nolvetta.dat" ] ||
    fail "$data/nolvetta.dat is not there as an empty file"
cmp -s <(printf 'True\r\n') "$data/nolvetta1.dat" ||
    fail "$data/nolvetta1.dat does not hold True and CR LF: $(od -c "$data/nolvetta1.dat" 2>&1 | head -2)"
echo "PASS: ${debs[0]##*/} installs a program that keeps its data in \$XDG_DATA_HOME/nolvetta"
