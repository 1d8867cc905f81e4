#!/usr/bin/env bash
# Installs, through apt-get, whatever of the build and test dependencies is
# missing on a Debian 12 machine. Safe to run again: installed packages are skipped.
set -euo pipefail

packages=(
    build-essential cmake pkg-config   # compiler and build
    qt6-base-dev qt6-qpa-plugins       # the window (Qt 6 Widgets)
    qt6-translations-l10n              # Qt's own texts in Japanese
    libglib2.0-dev                     # the desktop's default browser (GIO)
    glib-networking                    # GIO's TLS
    libetpan-dev libsecret-1-dev       # the IMAP client, passwords in the desktop's secret store
    libopendkim-dev                    # DKIM signatures of one-click ways out
    libcurl4-gnutls-dev                # leaving a list in one click (RFC 8058)
    libgmime-3.0-dev                   # whole e-mail messages
    libgtest-dev libgmock-dev          # tests
    libbenchmark-dev                   # benchmarks
    fonts-noto-cjk                     # a Japanese font for the interface
)
case "${1:-}" in
    --test) packages+=(clang libclang-rt-14-dev  # the fuzz targets (libFuzzer)
                       dovecot-imapd socat openssl   # a real IMAP server, its relay, its certificates
                       dpkg-dev lintian file man-db desktop-file-utils appstream) ;;  # the package
    --dev) packages+=(xvfb xauth xdotool imagemagick clang-format) ;;  # screenshots, formatting
    --windows) packages=(cmake g++-mingw-w64-x86-64-posix wine64 fonts-wine libgtest-dev  # Windows, under Wine
                         xvfb xauth fonts-noto-cjk) ;;  # its window, on a virtual screen, in Japanese
    --windows-libs) packages=(g++-mingw-w64-x86-64-posix libz-mingw-w64-dev wine64  # the reader's libraries
                              dpkg-dev meson ninja-build pkg-config autoconf automake libtool gtk-doc-tools) ;;
    --windows-package) packages=(cmake g++-mingw-w64-x86-64-posix nsis) ;;  # the zip and the installer
esac

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
