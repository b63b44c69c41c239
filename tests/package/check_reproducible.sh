#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Two builds of one commit give the same packages, byte for byte. Build a
# is the preset's own tree, as the test run built it from the source folder
# with the date of the last commit, packed again here; build b, later, uses a
# fresh copy of the source (another folder, new file times) and is given
# that date in SOURCE_DATE_EPOCH, as a distribution's builder would. It runs
# under the other usual umask and in another time zone, configured with the
# preset's own settings but without the tests, and packed by cpack; its
# compiler runs afresh, past the preset's compiler cache, which could hand it
# build a's objects and hide a difference. A
# difference is shown by diffoscope. What one machine and one user cannot
# vary is checked in the zip itself: members in name order, all dated
# SOURCE_DATE_EPOCH, and no extra fields (where the builder's user id goes).
# Usage: check_reproducible.sh SOURCE_DIR WORK_DIR PRESET_TREE PRESET GENERATOR[,GENERATOR...] [CMAKE_ARG...]
set -euo pipefail
source=$1 work=$2 preset_tree=$3 preset=$4
IFS=, read -ra generators <<<"$5"
shift 5
cmake_args=("$@")
fail() { echo "FAIL: $*"; exit 1; }

epoch=$(git -C "$source" log -1 --format=%ct 2>/dev/null) || { echo "SKIP: $source is not a git checkout"; exit 77; }
rm -rf "$work" "$work".*.diffoscope.txt
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/copy"
git -C "$source" ls-files -z --cached --others --exclude-standard \
    | tar -C "$source" --null --files-from=- --ignore-failed-read -cf - | tar -C "$work/copy" -xmf -

pack() {  # NAME TREE ENV_ARG...
    local name=$1 tree=$2
    shift 2
    for generator in "${generators[@]}"; do
        (cd "$tree" && env "$@" cpack -G "$generator" --config "$tree/CPackConfig.cmake" -B "$work/$name/packages") \
            >>"$work/$name.log" 2>&1 || { tail -n 40 "$work/$name.log"; fail "cpack -G $generator failed for build $name"; }
    done
}

# The tree takes its date when it is configured, which a build does again
# after each commit.
recorded=$(sed -n 's/^set(CPACK_VP_SOURCE_DATE_EPOCH "\([0-9]*\)")$/\1/p' "$preset_tree/CPackConfig.cmake")
[ "$recorded" = "$epoch" ] || fail "$preset_tree was built for the date $recorded, the last commit's is $epoch: build it again"
umask_b=027
[ "$(umask)" = 0027 ] && umask_b=022
echo "== $(date -u +%T) build a: $preset_tree, packed again"
mkdir -p "$work/a"
pack a "$preset_tree" -u SOURCE_DATE_EPOCH

echo "== $(date -u +%T) build b from $work/copy, umask $umask_b, TZ=FIN-2, SOURCE_DATE_EPOCH=$epoch"
tree=$work/b
if ! (umask "$umask_b" && export TZ=FIN-2 SOURCE_DATE_EPOCH="$epoch" && cd "$work/copy" &&
      cmake --preset "$preset" -B "$tree" -DBUILD_TESTING=OFF "${cmake_args[@]}" &&
      CCACHE_DISABLE=1 cmake --build "$tree") \
      >"$work/b.log" 2>&1; then
    tail -n 40 "$work/b.log"
    fail "build b failed"
fi
(umask "$umask_b" && TZ=FIN-2 pack b "$tree" SOURCE_DATE_EPOCH="$epoch")
echo "== $(date -u +%T) compare"

mapfile -t packages < <(cd "$work/a/packages" && find . -maxdepth 1 -type f \( -name '*.deb' -o -name '*.zip' \) -printf '%f\n' | sort)
[ "${#packages[@]}" = "${#generators[@]}" ] || fail "cpack (${generators[*]}) made ${#packages[@]} packages: ${packages[*]}"
status=0
for package in "${packages[@]}"; do
    a=$work/a/packages/$package b=$work/b/packages/$package
    if cmp -s "$a" "$b"; then
        echo "same: $package, $(stat -c %s "$a") bytes, sha256 $(sha256sum "$a" | cut -d' ' -f1)"
    else
        report=$work.$package.diffoscope.txt
        timeout 600 diffoscope --text "$report" "$a" "$b" >/dev/null 2>&1 || true
        head -n 150 "$report" 2>/dev/null || echo "(diffoscope gave no report)"
        echo "FAIL: $package differs between the builds (diffoscope's whole report: $report)"
        echo "      (build a is $preset_tree as last built: a tree kept from before a change of the build's"
        echo "      settings can differ by that alone; build it afresh to tell)"
        status=1
    fi
    [[ $package == *.zip ]] || continue
    python3 - "$a" "$epoch" <<'EOF' || status=1
import sys, time, zipfile
members = zipfile.ZipFile(sys.argv[1]).infolist()
names = [m.filename for m in members]
date = time.gmtime(int(sys.argv[2]) // 2 * 2)[:6]  # a zip counts in 2-second steps
faults = ["members not in name order"] if names != sorted(names) else []
faults += [f"{m.filename}: extra field {m.extra.hex()}" for m in members if m.extra]
faults += [f"{m.filename}: dated {m.date_time}, not {date}" for m in members if m.date_time != date]
print("\n".join("FAIL: " + f for f in faults[:10]) or f"zip: {len(names)} members in name order, dated {date}, no extra fields")
sys.exit(1 if faults else 0)
EOF
done
[ "$status" = 0 ] && echo "PASS: two builds of $(git -C "$source" log -1 --format=%h) give the same ${packages[*]}"
exit "$status"
