#!/usr/bin/env bash
# Installs whatever is missing, builds, and starts the program.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh build
cmake --preset default -DBUILD_TESTING=OFF >/dev/null
cmake --build --preset default
exec build/default/app/vorkula-ponkka "$@"
