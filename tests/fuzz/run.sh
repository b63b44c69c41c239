#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Fuzzes one target for a while and keeps what it learnt:
#   tests/fuzz/run.sh delay_interval 600     # target name, seconds
# Builds the "fuzz" preset (clang, libFuzzer, ASan and UBSan), fuzzes a copy
# of the saved corpus under nice, then merges into tests/fuzz/corpus/<target>
# only the new inputs that reach code the saved ones do not (libFuzzer's
# -merge=1), so the saved corpus stays small. Inputs that crash are left in
# build/fuzz/artifacts/<target>/; once the fault is fixed, copy each into the
# corpus as a regression input. tests/fuzz/<target>.dict, where there is one,
# gives the fuzzer tokens it could not find by coverage alone.
set -euo pipefail
cd "$(dirname "$0")/../.."

target=${1:?usage: tests/fuzz/run.sh <delay_interval|drive_command> [seconds]}
seconds=${2:-600}
corpus=tests/fuzz/corpus/$target
[ -d "$corpus" ] || { echo "run.sh: no corpus $corpus" >&2; exit 2; }

nice -n 10 cmake --preset fuzz >/dev/null
nice -n 10 cmake --build --preset fuzz --target "fuzz_$target"

fuzzer=build/fuzz/tests/fuzz/fuzz_$target
work=build/fuzz/work/$target
artifacts=build/fuzz/artifacts/$target
mkdir -p "$work" "$artifacts"
cp -n "$corpus"/* "$work"/ 2>/dev/null || true

export QT_QPA_PLATFORM=offscreen
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
dict=()
[ -f "tests/fuzz/$target.dict" ] && dict=(-dict="tests/fuzz/$target.dict")
status=0
nice -n 10 "$fuzzer" -max_total_time="$seconds" -max_len=128 -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$artifacts/" "${dict[@]}" "$work" || status=$?

nice -n 10 "$fuzzer" -merge=1 -max_len=128 "$corpus" "$work" 2>&1 | grep -E 'MERGE-OUTER: [0-9]+ new files' || true
ls "$artifacts"
exit $status
