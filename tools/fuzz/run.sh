#!/usr/bin/env bash
# Runs every built fuzz target for a fixed number of inputs, starting from
# the seed inputs that exist on this machine. Usage: run.sh BUILD_DIR [RUNS]
set -euo pipefail
build="$1"
runs="${2:-10000}"
root="$(cd "$(dirname "$0")/../.." && pwd)"
shared="$root/../shared/testdata"
status=0
for target in "$build"/tools/fuzz/fuzz_*; do
  [ -x "$target" ] || continue
  name="$(basename "$target")"
  seeds=()
  case "$name" in
    fuzz_DefParserFuzz) seeds=("$root/samples" "$shared/adversarial/def") ;;
    fuzz_PakReaderFuzz) seeds=("$shared/zip" "$shared/adversarial/zip") ;;
    fuzz_MeshReaderFuzz) seeds=("$shared/adversarial/mesh") ;;
  esac
  existing=()
  for s in "${seeds[@]}"; do [ -d "$s" ] && existing+=("$s"); done
  corpus="$(mktemp -d)"
  echo "fuzz: $name, $runs runs"
  if ! "$target" -artifact_prefix="$corpus.artifact-" -runs="$runs" -max_len=8192 -rss_limit_mb=2048 -timeout=30 \
      "$corpus" "${existing[@]}" >"$corpus.log" 2>&1; then
    tail -n 60 "$corpus.log"
    echo "fuzz: $name FAILED"
    status=1
  fi
  rm -rf "$corpus" "$corpus.log" "$corpus".artifact-*
done
exit $status
