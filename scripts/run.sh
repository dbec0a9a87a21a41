#!/usr/bin/env bash
# Builds TOLVEN and starts the desktop application.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target TOLVEN
exec build/ui/TOLVEN "$@"
