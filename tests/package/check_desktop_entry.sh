#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
# SPDX-License-Identifier: GPL-3.0-or-later
# The desktop entry passes desktop-file-validate (desktop-file-utils) with no
# error and no warning: the validator exits 0 on warnings, so its output is
# read as well.
set -euo pipefail
entry=$1

report=$(desktop-file-validate "$entry" 2>&1) || { echo "$report"; echo "FAIL: $entry is not a valid desktop entry"; exit 1; }
if grep -Eq '(error|warning):' <<<"$report"; then
    echo "$report"
    echo "FAIL: desktop-file-validate has objections to $entry"
    exit 1
fi
echo "$report"
echo "PASS: $entry"
