#!/usr/bin/env bash
# Starts the real editor under a virtual X server on the demo game with the
# demo mission 'crossroads' open, grabs the main window and checks the
# picture: the right size and more than a blank window's colours.
# Usage: screenshot_test.sh EDITOR VMED DEMO_GAME OUT_PNG
set -euo pipefail
editor="$1" vmed="$2" game="$3" out="$4"
if ! command -v xvfb-run >/dev/null 2>&1; then
  echo "screenshot test: xvfb-run not installed, skipped"
  exit 0
fi
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
"$vmed" pak extract "$game/game.pak" "$work/res" \
  map/single/crossroads/crossroads.mi map/single/crossroads/map >/dev/null
rm -f "$out"
env -u QT_QPA_PLATFORM HOME="$work" ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0" xvfb-run -a -s "-screen 0 1280x900x24" \
  "$editor" --game-path "$game" --resource-dir "$work/res" --screenshot "$out" \
  "$work/res/map/single/crossroads/crossroads.mi"
python3 - "$out" <<'PY'
import struct, sys, zlib
data = open(sys.argv[1], "rb").read()
assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
width, height, depth, ctype = struct.unpack(">IIBB", data[16:26])
assert width >= 640 and height >= 400, (width, height)
idat, pos = b"", 8
while pos < len(data):
    length, kind = struct.unpack(">I4s", data[pos:pos + 8])
    if kind == b"IDAT":
        idat += data[pos + 8:pos + 8 + length]
    pos += 12 + length
raw = zlib.decompress(idat)
# A drawn window with menus, bars and a tree holds many distinct byte values.
distinct = len(set(raw[:: max(1, len(raw) // 200000)]))
assert distinct > 40, "the window looks blank (%d distinct values)" % distinct
print("screenshot ok: %dx%d, %d distinct values" % (width, height, distinct))
PY
