#!/usr/bin/env bash
# Makes what a Windows user downloads: installs what is missing, builds the
# Windows program (Release, static, stripped) with MinGW-w64 in
# build/windows-package, and there makes the zip (nolvetta-VERSION-windows-x64.zip)
# and the installer (nolvetta-VERSION-setup.exe, with NSIS); prints where.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh --windows-package
bash scripts/build-windows-libs.sh  # the message reader's, once per machine
dir=build/windows-package

# The preset builds at -O2: at -O3, GCC 12 warns falsely (-Wrestrict) inside std::string.
cmake --preset windows-package
rm -f "$dir"/nolvetta-*-windows-x64.zip "$dir"/nolvetta-*-setup.exe
cmake --build --preset windows-package -j"$(nproc)"
echo "== the packages"
ls -l "$dir"/nolvetta-*-windows-x64.zip "$dir"/nolvetta-*-setup.exe
