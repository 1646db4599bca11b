#!/usr/bin/env bash
# Start-up load of the resource catalogue on the big demo game, beside Info-ZIP
# unzip extracting the same archives: a cold start (empty resource folder:
# unpack and scan) and a warm start (everything unpacked: checks and scan).
# Usage: bench/catalogue_bench.sh [BUILD_DIR] [RUNS]   (default build/default, 3)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build/default}"
runs="${2:-3}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
python3 "$root/tools/demo-game/vm-demo-game" "$work/game" --big >/dev/null
vmed="$build/src/cli/vmed"
now() { date +%s.%N; }
for i in $(seq "$runs"); do
  rm -rf "$work/unzip" "$work/res"; sync
  t0=$(now)
  for a in game.pak localize.pak resource/Patch/1.pat resource/Patch/2.pat; do
    unzip -qo "$work/game/$a" -d "$work/unzip"
  done
  t1=$(now)
  rm -rf "$work/unzip"; sync
  t2=$(now)
  "$vmed" catalogue --game-path "$work/game" --resource-dir "$work/res" >/dev/null
  t3=$(now)
  "$vmed" catalogue --game-path "$work/game" --resource-dir "$work/res" >/dev/null
  t4=$(now)
  awk -v t0="$t0" -v t1="$t1" -v t2="$t2" -v t3="$t3" -v t4="$t4" 'BEGIN {
    u = t1 - t0; c = t3 - t2; w = t4 - t3
    printf "run: unzip %.3f s  cold %.3f s  ratio %.2f  warm %.3f s\n", u, c, c / u, w }'
done
