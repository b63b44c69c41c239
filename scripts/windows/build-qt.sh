#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
# SPDX-License-Identifier: GPL-3.0-or-later
#
# Builds Qt for 64-bit Windows from Debian's own qt6-base source, with
# MinGW-w64, and installs it into a cache outside the source tree:
#
#     ${XDG_CACHE_HOME:-$HOME/.cache}/vorkula-ponkka/qt-<version>-mingw64
#
# The source is the same release as the host's qt6-base-dev, whose moc, rcc
# and uic the cross build uses. Only what the program needs is built: Core,
# Gui, Widgets, the Windows platform plugin, the JPEG reader and the Vista
# style. A run that finds the cache returns at once. The last line printed is
# the prefix.
#
# Takes 20 to 40 minutes on 2 cores; it runs under nice. The build tree
# (over 1 GB) lives in a scratch folder beside the cache and is removed at
# the end, whether the build succeeded or not.
#
# With --cached it builds nothing: it prints the prefix and succeeds if the
# cache is there, and fails otherwise. The prefix is installed under
# a temporary name and renamed when complete, so an interrupted build never
# looks like a cache.
set -euo pipefail

# Everything runs from one function, which bash reads whole before it starts:
# a script edited while its long build runs cannot derail the run.
main() {
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)

host_version=$(dpkg-query -W -f='${Version}' qt6-base-dev 2>/dev/null) || {
    echo "build-qt: qt6-base-dev is not installed (scripts/install-deps.sh build)" >&2
    exit 1
}
source_version=$(dpkg-query -W -f='${source:Version}' qt6-base-dev)
upstream=${host_version#*:}
upstream=${upstream%%[+~-]*}

cache_root=${XDG_CACHE_HOME:-$HOME/.cache}/vorkula-ponkka
prefix=$cache_root/qt-$upstream-mingw64
stamp=$prefix/.vorkula-ponkka-complete

if [ -f "$stamp" ]; then
    echo "$prefix"
    exit 0
fi
[ "${1:-}" = --cached ] && exit 1

mkdir -p "$cache_root"
# One build at a time; a second caller waits and then finds the cache.
exec 9>"$cache_root/.qt-build.lock"
flock 9
if [ -f "$stamp" ]; then
    echo "$prefix"
    exit 0
fi

if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo); fi

# The scratch folder sits beside the cache so that the final rename stays on
# one file system. Holding the lock, any scratch folder already there was left
# by a build that was killed; it can be over 1 GB, so it goes.
rm -rf "$cache_root"/build.*
scratch=$(mktemp -d "$cache_root/build.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
trap 'exit 130' INT TERM

# apt-get source needs source indexes; add a deb-src twin of every deb entry
# of Debian's own archive when none is configured yet.
has_sources() { [ -n "$(apt-cache showsrc qt6-base 2>/dev/null)" ]; }
if ! has_sources; then
    twin=/etc/apt/sources.list.d/vorkula-ponkka-deb-src.sources
    echo "build-qt: enabling deb-src in $twin" >&2
    if [ -f /etc/apt/sources.list.d/debian.sources ]; then
        sed -E 's/^Types:.*/Types: deb-src/' /etc/apt/sources.list.d/debian.sources \
            >"$scratch/deb-src.sources"
    else
        # One-line style: deb [options] URI suite components
        grep -hE '^deb[[:space:]].*debian' /etc/apt/sources.list 2>/dev/null \
            | sed -E 's/^deb[[:space:]]/deb-src /' >"$scratch/deb-src.list" || true
        twin=${twin%.sources}.list
        mv "$scratch/deb-src.list" "$scratch/deb-src.sources"
    fi
    [ -s "$scratch/deb-src.sources" ] || { echo "build-qt: found no Debian archive entry to copy" >&2; exit 1; }
    "${sudo[@]}" install -m 644 "$scratch/deb-src.sources" "$twin"
    "${sudo[@]}" apt-get update -q
    has_sources || { echo "build-qt: still no source for qt6-base" >&2; exit 1; }
fi

# Fetch the exact source release of the host's Qt. apt checks every file
# against the hashes in the source index, which is itself signed by the
# archive (InRelease, debian-archive-keyring). The check below repeats that
# for every file, so that a download that bypassed authentication cannot
# pass unnoticed; dpkg-source then checks the tarballs against the .dsc.
# (The uploader's own signature on the .dsc would need debian-keyring; the
# archive's signature already covers the .dsc.)
cd "$scratch"
echo "build-qt: fetching qt6-base $source_version" >&2
apt-get source --download-only -q "qt6-base=$source_version" >apt-source.log 2>&1 || {
    cat apt-source.log >&2; exit 1; }
if grep -qiE 'cannot be authenticated|unauthenticated|NO_PUBKEY|Hash Sum mismatch' apt-source.log; then
    cat apt-source.log >&2; echo "build-qt: the source download was not authenticated" >&2; exit 1
fi
dsc=$(ls qt6-base_*.dsc)
# Checksums-Sha256 for this version, as the signed source index gives them.
apt-cache showsrc qt6-base | awk -v v="$source_version" '
    /^Version:/ { take = ($2 == v) }
    /^[^ \t]+:/ { inside = take && ($1 == "Checksums-Sha256:"); next }
    inside && NF == 3 { print $1 "  " $3 }' | sort -u >expected.sha256
grep -q "  $dsc\$" expected.sha256 || { echo "build-qt: $dsc is not in the source index" >&2; exit 1; }
sha256sum --quiet -c expected.sha256 >&2 || { echo "build-qt: source files do not match the index" >&2; exit 1; }
dpkg-source -x "$dsc" src >dpkg-source.log 2>&1 || { cat dpkg-source.log >&2; exit 1; }
rm -f ./*.tar.* # the unpacked tree is all the build needs

echo "build-qt: configuring" >&2
staging=$scratch/stage
nice -n 10 cmake -S src -B build -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-w64.cmake" \
    -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DQT_HOST_PATH=/usr \
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DBUILD_SHARED_LIBS=ON \
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
    -DFEATURE_system_zlib=OFF -DFEATURE_system_jpeg=OFF -DFEATURE_system_png=OFF \
    -DFEATURE_system_freetype=OFF -DFEATURE_system_harfbuzz=OFF \
    -DFEATURE_system_pcre2=OFF \
    -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF \
    -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF \
    -DFEATURE_icu=OFF -DFEATURE_vulkan=OFF \
    -DFEATURE_tabletevent=OFF -DFEATURE_testlib=OFF \
    >configure.log 2>&1 || { tail -n 60 configure.log >&2; exit 1; }

echo "build-qt: building (log: $scratch/build.log)" >&2
started=$(date +%s)
nice -n 10 cmake --build build --parallel "$(nproc)" >build.log 2>&1 || {
    tail -n 60 build.log >&2; exit 1; }
DESTDIR=$staging nice -n 10 cmake --install build >install.log 2>&1 || {
    tail -n 60 install.log >&2; exit 1; }
echo "build-qt: built in $(( $(date +%s) - started )) s" >&2

echo "qt6-base $source_version, built $(date -u +%FT%TZ)" >"$staging$prefix/.vorkula-ponkka-complete"
rm -rf "$prefix"  # a prefix without the stamp is never used
mv -T "$staging$prefix" "$prefix"
echo "$prefix"
}

main "$@"
