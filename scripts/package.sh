#!/usr/bin/env bash
# Makes the Debian package: installs what is missing, builds a Release build
# without tests in build/package, runs CPack, checks the .deb with lintian
# (any error fails) and prints where the .deb is.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh --test
dir=build/package

# Built with the flags Debian builds its own packages with: hardening, and no
# build path in the binary.
flags() { DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get "$1"; }
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DNOLVETTA_BUILD_TESTS=OFF \
    -DCMAKE_INSTALL_PREFIX=/usr \
    -DCMAKE_CXX_FLAGS="$(flags CPPFLAGS) $(flags CXXFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$(flags LDFLAGS)" -DCMAKE_MODULE_LINKER_FLAGS="$(flags LDFLAGS)"
cmake --build "$dir" -j"$(nproc)"

rm -f "$dir"/nolvetta_*.deb
(cd "$dir" && cpack -G DEB)
debs=("$dir"/nolvetta_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { echo "cpack made no single .deb" >&2; exit 1; }
deb="$PWD/${debs[0]}"

echo "== lintian"
lintian --display-info --fail-on error "$deb"
echo "== the package"
echo "$deb"
