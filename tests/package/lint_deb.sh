#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package as Debian's own checker sees it, built under umask 027 so
# that the builder's umask cannot leak into its modes: lintian reports no
# error and no warning; what ships has no run path and, in a build with
# Debian's hardening (VP_DEBIAN_HARDENING, on in the default preset), is
# hardened; the package depends on fonts-liberation for the windows' font,
# carries no copy of that font inside the program, and recommends Qt's
# Wayland plugin. Nothing is installed.
# Usage: lint_deb.sh BUILD_DIR FONT_FILE HARDENED(ON|OFF)
set -euo pipefail
build=$1
font=$2
hardened=$3

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

(umask 027 && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/cpack" >"$work/cpack.log" 2>&1) \
    || { cat "$work/cpack.log"; fail "cpack failed"; }
debs=("$work"/cpack/vorkula-ponkka_*.deb)
[ -f "${debs[0]}" ] || { cat "$work/cpack.log"; fail "cpack made no .deb"; }
deb=${debs[0]}

echo "== lintian $(basename "$deb")"
# Root is warned against running lintian; that note is no finding.
TMPDIR=$work lintian --display-info --pedantic "$deb" 2>&1 | grep -v '^running with root privileges' | tee "$work/lintian.log" || true
! grep -Eq '^[EW]: ' "$work/lintian.log" || fail "lintian has errors or warnings"

echo "== what ships"
dpkg-deb -x "$deb" "$work/root"
program=$work/root/usr/bin/vorkula-ponkka
dynamic=$(readelf -dW "$program")
! grep -Eq '\((RUNPATH|RPATH)\)' <<<"$dynamic" || fail "the program carries a run path"
echo "no run path"
if [ "$hardened" = ON ]; then
    grep -Eq 'BIND_NOW|Flags:.* NOW' <<<"$dynamic" || fail "the program's relocations are not bound at start (BIND_NOW)"
    readelf -lW "$program" | grep -q GNU_RELRO || fail "the program has no read-only relocations (GNU_RELRO)"
    symbols=$(readelf --dyn-syms -W "$program")
    grep -q '__stack_chk_fail' <<<"$symbols" || fail "the program has no stack protector"
    grep -Eq '__[a-z]+_chk@' <<<"$symbols" || fail "the program calls no fortified C library functions"
    echo "hardened: BIND_NOW, GNU_RELRO, stack protector, fortified calls"
else
    echo "not checked for hardening: this build was configured with VP_DEBIAN_HARDENING=OFF"
fi

depends=$(dpkg-deb -f "$deb" Depends)
grep -Eq '(^|, )fonts-liberation(,|$| )' <<<"$depends" || fail "the package does not depend on fonts-liberation: $depends"
recommends=$(dpkg-deb -f "$deb" Recommends)
grep -Eq '(^|, )qt6-wayland(,|$| )' <<<"$recommends" || fail "the package does not recommend qt6-wayland: $recommends"
echo "depends on fonts-liberation, recommends qt6-wayland"
# Any 64 bytes taken from the font file would show up in a copy of it.
python3 - "$font" "$program" <<'CHECK' || fail "the program carries font data from $font"
import sys
font, program = (open(path, "rb").read() for path in sys.argv[1:3])
pieces = range(0, len(font) - 64, len(font) // 32)
found = [at for at in pieces if font[at:at + 64] in program]
print(f"{len(found)} of {len(pieces)} pieces of {sys.argv[1]} found in the program")
sys.exit(1 if found else 0)
CHECK
echo "PASS: $(basename "$deb")"
