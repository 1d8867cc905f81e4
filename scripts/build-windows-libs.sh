#!/usr/bin/env bash
# Cross-builds, once per machine, static Windows libraries of the message
# reader (GMime 3 on GLib 2, with libffi and PCRE2) from Debian's own source
# packages into a folder of the machine's (NOLVETTA_WINDOWS_LIBS, else
# ~/.cache/nolvetta/windows-libs), shared by every clone, then proves them with
# a small program under Wine. Does nothing when the prefix was built from the
# same source versions; rebuilds, from the first library that changed on, when
# not.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"
bash scripts/setup.sh --windows-libs

work="${NOLVETTA_WINDOWS_LIBS:-${XDG_CACHE_HOME:-$HOME/.cache}/nolvetta/windows-libs}"
prefix="$work/prefix"
# Clones of the project share the folder: one builds it at a time.
mkdir -p "$work"
exec 9>"$work/.lock"
flock 9
stamp="$prefix/.versions"
host=x86_64-w64-mingw32
export CC="$host-gcc-posix" CXX="$host-g++-posix" AR="$host-ar" RANLIB="$host-ranlib"
export PKG_CONFIG_LIBDIR="$prefix/lib/pkgconfig:/usr/$host/lib/pkgconfig"
unset PKG_CONFIG_PATH
jobs="${NOLVETTA_JOBS:-$(nproc)}"
helpers="$root/scripts/windows-libs"
started=$SECONDS

# A private apt state, so the machine's own sources and lists stay as they
# are. The signed Release files make apt check every downloaded file's hash,
# which is why dpkg-source need not look for a signature it has no key for.
apt_dir="$work/apt"
mkdir -p "$apt_dir/state/lists/partial" "$apt_dir/cache/archives/partial" "$work/src" "$work/obj"
keyring=/usr/share/keyrings/debian-archive-keyring.gpg
cat >"$apt_dir/sources.list" <<EOF
deb-src [signed-by=$keyring] http://deb.debian.org/debian bookworm main
deb-src [signed-by=$keyring] http://deb.debian.org/debian bookworm-updates main
deb-src [signed-by=$keyring] http://deb.debian.org/debian-security bookworm-security main
EOF
apt=(apt-get -q -o Dir::Etc::SourceList="$apt_dir/sources.list" -o Dir::Etc::SourceParts=/dev/null
     -o Dir::State="$apt_dir/state" -o Dir::Cache="$apt_dir/cache"
     -o Dir::State::status=/var/lib/dpkg/status -o APT::Sandbox::User="$(id -un)")
if ! "${apt[@]}" -qq update; then
    # Offline: a prefix that was built and proved is still good.
    [ -f "$stamp" ] && { echo "No Debian mirror; keeping the prefix built from:"; cat "$stamp"; exit 0; }
    exit 1
fi

# Prints the .dsc of the newest version of a source package that the mirror
# actually serves: a security update's index can name a version before its
# files reach the mirror, and then bookworm's own release is taken. Asked in
# a folder without the files, since apt names none it finds already there.
fetch() {
    local want dsc
    for want in "$1" "$1/bookworm"; do
        dsc="$(cd "$apt_dir" && "${apt[@]}" -qq source --print-uris "$want" | awk '$2 ~ /\.dsc$/ { print $2 }')"
        if [ -n "$dsc" ] && (cd "$work/src" && "${apt[@]}" -qq source --download-only "$want" >&2); then
            echo "$dsc"
            return
        fi
        echo "warning: $want could not be fetched" >&2
    done
    return 1
}
ffi_dsc="$(fetch libffi)"
pcre2_dsc="$(fetch pcre2)"
glib_dsc="$(fetch glib2.0)"
gmime_dsc="$(fetch gmime)"

# Whatever the libraries are made of and how: any change rebuilds.
versions="$(
    printf '%s\n' "$ffi_dsc" "$pcre2_dsc" "$glib_dsc" "$gmime_dsc"
    dpkg-query -W -f='${Package} ${Version}\n' libz-mingw-w64-dev gcc-mingw-w64-x86-64-posix mingw-w64-x86-64-dev
    cat "$root/scripts/build-windows-libs.sh" "$helpers"/libintl.[ch] "$helpers"/iconv.h | sha256sum | sed 's/ .*/ recipe/'
)"
if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$versions" ]; then
    echo "Windows libraries up to date in $prefix"
    exit 0
fi

# Each library is installed into a stage of its own and the prefix is put
# together from the stages, so that a rebuilt library leaves none of its old
# files behind while the libraries before it are not built again.
rm -rf "$prefix"
mkdir -p "$prefix"
rebuilding=false
step() {  # name, what it is made from, then the function that builds it into $stage
    local name="$1" made_from
    made_from="$2 $({ declare -f "$3"; declare -p autotools; } | sha256sum | cut -c1-16)"
    shift 2
    stage="$work/stage/$name"
    local marker="$work/stage/$name.built"
    if $rebuilding || [ ! -f "$marker" ] || [ "$(cat "$marker")" != "$made_from" ]; then
        rebuilding=true
        echo "== $name: $made_from"
        local t=$SECONDS
        rm -rf "$stage" "$marker" "$work/obj/$name"
        mkdir -p "$stage" "$work/obj/$name"
        # In the background, or a failure inside would not stop the build.
        ("$@") >"$work/obj/$name.log" 2>&1 &
        wait $! || { tail -n 30 "$work/obj/$name.log"; echo "$name failed: see $work/obj/$name.log" >&2; exit 1; }
        echo "$made_from" >"$marker"
        echo "== $name built in $((SECONDS - t)) s"
    fi
    cp -a "$stage$prefix/." "$prefix/"
}
unpack() {  # step, dsc; prints the unpacked tree, with Debian's patches applied
    local dir="$work/obj/$1/src"
    dpkg-source -q -x --no-check "$work/src/$2" "$dir" >&2
    echo "$dir"
}
# Optimised for size: the program must stay small, and it builds faster so.
autotools=(--host="$host" --prefix="$prefix" --disable-shared --enable-static
           CFLAGS="-Os" CPPFLAGS="-I$prefix/include" LDFLAGS="-L$prefix/lib")

# No catalogues are shipped, so no translation is lost: see libintl.h.
build_intl() {
    mkdir -p "$stage$prefix/include" "$stage$prefix/lib"
    "$CC" -O2 -c "$helpers/libintl.c" -o "$work/obj/intl/libintl.o"
    "$AR" rcs "$stage$prefix/lib/libintl.a" "$work/obj/intl/libintl.o"
    cp "$helpers/libintl.h" "$helpers/iconv.h" "$stage$prefix/include/"
}
step intl "$(cat "$helpers"/libintl.[ch] "$helpers"/iconv.h | sha256sum | cut -c1-16)" build_intl

build_libffi() {
    local src
    src="$(unpack libffi "$ffi_dsc")"
    cd "$work/obj/libffi"
    "$src/configure" "${autotools[@]}" --disable-docs --disable-multi-os-directory
    make -j"$jobs"
    make install DESTDIR="$stage"
}
step libffi "$ffi_dsc" build_libffi

build_pcre2() {
    local src
    src="$(unpack pcre2 "$pcre2_dsc")"
    cd "$work/obj/pcre2"
    # GLib uses the 8-bit library only; its programs are not needed.
    "$src/configure" "${autotools[@]}" --enable-pcre2-8 --disable-pcre2-16 --disable-pcre2-32
    make -j"$jobs" install DESTDIR="$stage" bin_PROGRAMS= noinst_PROGRAMS= dist_man_MANS= dist_doc_DATA= dist_html_DATA=
}
step pcre2 "$pcre2_dsc" build_pcre2

build_glib() {
    local src
    src="$(unpack glib "$glib_dsc")"
    cat >"$work/obj/glib/cross.txt" <<EOF
[binaries]
c = '$CC'
cpp = '$CXX'
ar = '$AR'
strip = '$host-strip'
windres = '$host-windres'
pkgconfig = 'pkg-config'

[properties]
pkg_config_libdir = ['$prefix/lib/pkgconfig', '/usr/$host/lib/pkgconfig']

[built-in options]
c_args = ['-I$prefix/include']
c_link_args = ['-L$prefix/lib']
cpp_args = ['-I$prefix/include']
cpp_link_args = ['-L$prefix/lib']

[host_machine]
system = 'windows'
cpu_family = 'x86_64'
cpu = 'x86_64'
endian = 'little'
EOF
    # nofallback: every dependency comes from the prefix, none is downloaded.
    meson setup "$work/obj/glib/build" "$src" --cross-file "$work/obj/glib/cross.txt" \
        --prefix="$prefix" --libdir=lib --buildtype=minsize --wrap-mode=nofallback \
        -Ddefault_library=static -Dtests=false -Dinstalled_tests=false -Dnls=disabled \
        -Dman=false -Dgtk_doc=false -Ddtrace=false -Dsystemtap=false -Dsysprof=disabled \
        -Dselinux=disabled -Dxattr=false -Dlibmount=disabled -Dlibelf=disabled \
        -Doss_fuzz=disabled
    # The libraries alone: GLib's programs and fuzzers are never run here.
    ninja -C "$work/obj/glib/build" -j"$jobs" glib/libglib-2.0.a gobject/libgobject-2.0.a \
        gio/libgio-2.0.a gmodule/libgmodule-2.0.a gthread/libgthread-2.0.a
    meson install -C "$work/obj/glib/build" --no-rebuild --tags devel --destdir "$stage"
}
step glib "$glib_dsc" build_glib

build_gmime() {
    local src
    src="$(unpack gmime "$gmime_dsc")"
    cd "$src"
    # Debian's tarball has no configure script; this is how Debian makes it.
    touch ChangeLog
    gtkdocize --copy
    autoreconf -fi
    # configure cannot run its iconv probe when cross-compiling and asks for
    # the target's answers instead: the probe itself, run under Wine.
    "$CC" -O2 -o "$work/obj/gmime/iconv-detect.exe" iconv-detect.c -I"$prefix/include" \
        $(pkg-config --static --cflags --libs glib-2.0) -static
    "$wine" "$work/obj/gmime/iconv-detect.exe"  # writes iconv-detect.h here
    cd "$work/obj/gmime"
    # glib_native_win32: GMime's own switch for "iconv comes with GLib".
    # --static: GMime's helper programs link against the static GLib, which
    # needs the Windows libraries that its pkg-config files list as private.
    glib_native_win32=yes ac_cv_have_iconv_detect_h=yes \
        "$src/configure" "${autotools[@]}" PKG_CONFIG="pkg-config --static" --disable-crypto \
        --without-libidn --disable-introspection --disable-vala --disable-gtk-doc
    make -j"$jobs" -C util
    make -j"$jobs" -C gmime install DESTDIR="$stage"
    make install-pkgconfigDATA DESTDIR="$stage"
}
wine="$(command -v wine || echo /usr/lib/wine/wine64)"
wineserver="$(command -v wineserver || echo /usr/lib/wine/wineserver)"
# A throwaway Wine prefix, made afresh for each build; exported, so that the
# cleanup's wineserver is the one of this prefix.
export WINEDEBUG=-all WINEPREFIX="$work/wine"
rm -rf "$WINEPREFIX"
cleanup() {
    # Waited for, or it still writes to the prefix being removed.
    timeout 60 "$wineserver" --wait 2>/dev/null || "$wineserver" --kill 2>/dev/null || true
    rm -rf "$work/wine"
}
trap cleanup EXIT
step gmime "$gmime_dsc" build_gmime

# The proof: a statically linked program reads a Japanese subject under Wine
# and needs no DLL but Windows' own.
proof="$work/read-subject.exe"
"$CC" -O2 -o "$proof" "$helpers/read-subject.c" $(pkg-config --static --cflags --libs gmime-3.0) -static
"$host-strip" "$proof"
subject="$("$wine" "$proof" | tr -d '\r')"
echo "Subject under Wine: $subject"
[ "$subject" = "日本語の件名テスト" ] || { echo "wrong subject" >&2; exit 1; }
dlls="$("$host-objdump" -p "$proof" | awk '/DLL Name:/ { print tolower($3) }' | sort -u)"
echo "Imports:" $dlls
if grep -Ev '^(kernel32|msvcrt|ucrtbase|api-ms-win-.*|user32|advapi32|shell32|ole32|oleaut32|ws2_32|dnsapi|iphlpapi|shlwapi|userenv|winmm|gdi32|secur32|crypt32|bcrypt|ntdll)\.dll$' <<<"$dlls"; then
    echo "the proof program needs a DLL that Windows does not have" >&2
    exit 1
fi

echo "$versions" >"$stamp"
echo "Windows libraries built in $((SECONDS - started)) s: $(du -sh "$prefix" | cut -f1) in $prefix," \
    "proof program $(stat -c %s "$proof") bytes"
