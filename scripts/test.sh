#!/usr/bin/env bash
# Builds everything and runs the whole test suite, as CI does:
#  1. the house rules: the layering of includes and the formatting of every
#     C++ file;
#  2. the short fuzz runs (clang, libFuzzer);
#  3. the core alone, without Qt, built with warnings as errors, and its tests;
#  4. every unit test under AddressSanitizer and UndefinedBehaviorSanitizer,
#     built with warnings as errors.
# Usage: bash scripts/test.sh [PRESET]   (default: asan)
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-asan}"
jobs="$(nproc 2>/dev/null || echo 2)"

bash scripts/setup.sh

python3 scripts/check_layers.py
bash scripts/check_format.sh

# Fuzz targets (clang, libFuzzer): a fixed number of runs each over the seed corpus.
if command -v clang++ >/dev/null 2>&1; then
  cmake --preset fuzz >/dev/null
  cmake --build --preset fuzz -j "$jobs"
  bash tools/fuzz/run.sh build/fuzz
else
  echo "test: clang++ not found, fuzz runs skipped"
fi

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}"
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$PWD/tests/lsan.supp}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"

# The core must build and pass its tests with no Qt at all.
if [ "$preset" != "core" ]; then
  cmake --preset core >/dev/null
  cmake --build --preset core -j "$jobs"
  ctest --preset core -j "$jobs"
fi

cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j "$jobs"
ctest --preset "$preset" -j "$jobs"
