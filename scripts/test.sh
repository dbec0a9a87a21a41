#!/usr/bin/env bash
# Builds TOLVEN with its tests and benchmarks and runs every test.
#   scripts/test.sh             normal build in build/, then the check that the
#                               outputs do not depend on the thread count
#   scripts/test.sh --sanitize  AddressSanitizer + UBSan build in build-asan/
#   scripts/test.sh --no-ui     core, run and batch command alone, without Qt,
#                               in build-noui/
# TOLVEN_WERROR=ON in the environment makes every warning an error (CI does).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

common=(-DTOLVEN_WERROR="${TOLVEN_WERROR:-OFF}")
case "${1:-}" in
  --sanitize)
    dir=build-asan
    flags=(-DTOLVEN_SANITIZE=ON -DTOLVEN_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug)
    export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1"
    export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0"
    export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
    ;;
  --no-ui)
    dir=build-noui
    flags=(-DTOLVEN_BUILD_UI=OFF -DTOLVEN_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo)
    ;;
  *)
    dir=build
    flags=(-DTOLVEN_BUILD_BENCH=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo)
    ;;
esac

cmake -S . -B "$dir" -G Ninja "${common[@]}" "${flags[@]}"
cmake --build "$dir" -j "$(nproc)"
ctest --test-dir "$dir" --output-on-failure -j "$(nproc)"
if [ -z "${1:-}" ]; then
  scripts/compare-threads.sh "$dir"
fi
