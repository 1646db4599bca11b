#!/usr/bin/env bash
# Builds everything and runs the whole test suite: the short fuzz runs first,
# then every unit test under AddressSanitizer and UndefinedBehaviorSanitizer.
# Usage: bash scripts/test.sh [PRESET]   (default: asan)
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-asan}"
jobs="$(nproc 2>/dev/null || echo 2)"

bash scripts/setup.sh

# Fuzz targets (clang, libFuzzer): a fixed number of runs each over the seed corpus.
if command -v clang++ >/dev/null 2>&1; then
  cmake --preset fuzz >/dev/null
  cmake --build --preset fuzz -j "$jobs"
  bash tools/fuzz/run.sh build/fuzz
else
  echo "test: clang++ not found, fuzz runs skipped"
fi

cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j "$jobs"
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}"
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$PWD/tests/lsan.supp}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
ctest --preset "$preset" -j "$jobs"
