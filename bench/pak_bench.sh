#!/usr/bin/env bash
# Measures the pak reader against Info-ZIP unzip on a generated game-sized
# archive: listing all members and extracting everything.
#
# Usage: bench/pak_bench.sh [BUILD_DIR] [--size-mb N] [--keep]
#   BUILD_DIR  optimised build folder (default build/bench-rel, configured here)
#   --size-mb  size of the generated archive's content (default 1024)
#   --keep     keep the generated archive for further runs
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build/bench-rel"
size_mb=1024
keep=0
while [ $# -gt 0 ]; do
  case "$1" in
    --size-mb) size_mb="$2"; shift 2 ;;
    --keep) keep=1; shift ;;
    -h|--help) sed -n '2,9p' "$0"; exit 0 ;;
    *) build="$1"; shift ;;
  esac
done

work="${VM_PAK_BENCH_DIR:-$(mktemp -d)}"
mkdir -p "$work"
corpus="$work/pak_corpus_${size_mb}mb.zip"
cleanup() {
  rm -rf "$work/vm_pak_bench_ours" "$work/vm_pak_bench_unzip"
  if [ "$keep" = 0 ]; then rm -f "$corpus"; fi
}
trap cleanup EXIT

if [ ! -f "$corpus" ]; then
  python3 "$root/bench/make_pak_corpus.py" "$corpus" --size-mb "$size_mb"
fi

if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVM_GUI=OFF -DVM_TESTS=OFF
fi
cmake --build "$build" --target vm_bench_PakBench -j2

VM_PAK_CORPUS="$corpus" VM_PAK_BENCH_DIR="$work" "$build/bench/vm_bench_PakBench" \
  --benchmark_enable_random_interleaving=true --benchmark_report_aggregates_only=false
