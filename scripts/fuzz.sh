#!/usr/bin/env bash
# Builds the libFuzzer targets (clang-14, AddressSanitizer and UBSan) in
# build-fuzz/ and runs each for SECONDS (default 60), from a writable copy of
# its seed corpus in tests/fuzz/corpus/ with its dictionary. Exits non-zero on
# a crash, a leak or a timeout (one input running over 10 s); the input that
# did it is kept in build-fuzz/artifacts/TARGET/.
#   scripts/fuzz.sh [SECONDS [TARGET...]]     TARGET: setting_text, input_run
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-60}"
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(setting_text input_run)

dir=build-fuzz
cmake -S . -B "$dir" -G Ninja -DCMAKE_CXX_COMPILER=clang++-14 -DTOLVEN_FUZZ=ON \
  -DTOLVEN_BUILD_UI=OFF -DTOLVEN_BUILD_TESTS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$dir" -j "$(nproc)" --target "${targets[@]/%/_fuzzer}"

# A small quarantine still holds the freed blocks of thousands of runs, while
# the default 256 MB makes every run touch fresh pages: a third of the time on
# a virtual machine.
# A crash's stack is symbolized by the LLVM tools of the same version as the
# compiler.
symbolizer=/usr/lib/llvm-14/bin/llvm-symbolizer
[ -x "$symbolizer" ] && export ASAN_SYMBOLIZER_PATH="$symbolizer"
export ASAN_OPTIONS="detect_leaks=1:quarantine_size_mb=8"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
for target in "${targets[@]}"; do
  corpus="$dir/corpus/$target"
  artifacts="$dir/artifacts/$target"
  mkdir -p "$corpus" "$artifacts"
  # The seeds join what earlier runs found; the fuzzer adds to this copy only.
  cp -f tests/fuzz/corpus/"$target"/* "$corpus"/
  echo "== $target: ${seconds} s"
  "$dir/tests/fuzz/${target}_fuzzer" "$corpus" \
    -dict="tests/fuzz/$target.dict" \
    -max_total_time="$seconds" -timeout=10 \
    -artifact_prefix="$artifacts/" -print_final_stats=1
done
