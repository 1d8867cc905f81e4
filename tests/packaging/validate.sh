#!/usr/bin/env bash
# validate.sh desktop|metainfo|manual FILE: checks FILE with the tool that the
# desktops, the software centres or Debian use; fails on any error or warning.
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
    *) echo "FAIL: unknown kind '$kind'"; exit 2 ;;
esac
command -v "$tool" >/dev/null || { echo "FAIL: $tool is missing; run: bash scripts/setup.sh --test"; exit 1; }
[ -f "$file" ] || { echo "FAIL: there is no $file"; exit 1; }
check 2>&1 || { echo "FAIL: $tool finds fault with $file"; exit 1; }
echo "PASS: $file"
