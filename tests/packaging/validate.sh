#!/usr/bin/env bash
# validate.sh desktop|metainfo|manual|mail FILE: checks FILE with the tool that
# the desktops, the software centres or Debian use; fails on any error or
# warning. "mail": installed alone, the desktop entry FILE never becomes the
# program that opens saved mail, which the user did not choose.
set -uo pipefail
kind=$1 file=$2
case "$kind" in
    desktop) tool=desktop-file-validate
        check() { local out; out="$(desktop-file-validate "$file" 2>&1)"; local status=$?
                  printf '%s' "${out:+$out$'\n'}"; [ $status -eq 0 ] && ! grep -qE '(error|warning):' <<<"$out"; } ;;
    metainfo) tool=appstreamcli  # fails on warnings by itself; remarks and hints pass
        check() { appstreamcli validate --no-net "$file"; } ;;
    manual) tool=man  # read as lintian reads it: any word from groff is a fault
        check() { LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 \
            man --warnings -E UTF-8 -l -Tutf8 -Z "$file" 2>&1 >/dev/null | { ! grep .; }; } ;;
    mail) tool=gio
        check() { local desktop; desktop="$(mktemp -d)"  # with the program, as installed
                  mkdir -p "$desktop/data/applications" "$desktop/home" "$desktop/config" "$desktop/bin"
                  printf '#!/bin/sh\n' > "$desktop/bin/nolvetta"; chmod +x "$desktop/bin/nolvetta"
                  cp "$file" "$desktop/data/applications/"
                  update-desktop-database "$desktop/data/applications"
                  local out; out="$(PATH="$desktop/bin:$PATH" XDG_DATA_DIRS="$desktop/data" XDG_DATA_HOME="$desktop/home" \
                      XDG_CONFIG_HOME="$desktop/config" XDG_CONFIG_DIRS="$desktop/config" \
                      gio mime message/rfc822 2>&1)"
                  rm -rf "$desktop"; printf '%s\n' "$out"; ! grep -q nolvetta <<<"$out"; } ;;
    *) echo "FAIL: unknown kind '$kind'"; exit 2 ;;
esac
command -v "$tool" >/dev/null || { echo "FAIL: $tool is missing; run: bash scripts/setup.sh --test"; exit 1; }
[ -f "$file" ] || { echo "FAIL: there is no $file"; exit 1; }
check 2>&1 || { echo "FAIL: $tool finds fault with $file"; exit 1; }
echo "PASS: $file"
