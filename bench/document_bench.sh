#!/usr/bin/env bash
# The document on the big demo mission (20,000 entities): open, save, and
# placing then deleting 1,000 entities. The big demo game is generated once
# here and shared by every repetition.
# Usage: bench/document_bench.sh [BUILD_DIR] [REPETITIONS]   (default build/default, 3)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build/default}"
reps="${2:-3}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
python3 "$root/tools/demo-game/vm-demo-game" "$work/game" --big >/dev/null
cmake --build "$build" --target vm_bench_DocumentBench -j2
VM_BIG_GAME="$work/game" "$build/bench/vm_bench_DocumentBench" \
  --benchmark_repetitions="$reps" --benchmark_report_aggregates_only=true
