#!/usr/bin/env bash
# Builds the program and runs it on the bundled sample content.
# Usage: bash scripts/run.sh
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc 2>/dev/null || echo 2)" --target vmed
vmed=build/default/src/cli/vmed
sample=samples/demo_mission.mi
"$vmed" def check "$sample"
echo "--- $sample as the editor writes it back ---"
"$vmed" def fmt "$sample"
