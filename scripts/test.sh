#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs whatever is missing, builds, and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."

groups=()
for list in scripts/deps/*.txt; do groups+=("$(basename "$list" .txt)"); done
scripts/install-deps.sh "${groups[@]}"

cmake --preset default -DBUILD_TESTING=ON
cmake --build --preset default
ctest --preset default

# The unit, window and fuzz-corpus tests again, built by clang with
# AddressSanitizer and UndefinedBehaviorSanitizer; any report fails the run.
cmake --preset asan
cmake --build --preset asan
ctest --preset asan
