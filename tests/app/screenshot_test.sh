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
# The mission opens in its 3D view: the demo map's green ground fills a good
# part of the window.
channels = {2: 3, 6: 4}.get(ctype)
assert channels and depth == 8, ("unexpected PNG layout", ctype, depth)
stride = width * channels
rows, prev = [], bytearray(stride)
for y in range(height):
    kind = raw[y * (stride + 1)]
    line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
    for i in range(stride):
        left = line[i - channels] if i >= channels else 0
        up = prev[i]
        corner = prev[i - channels] if i >= channels else 0
        if kind == 1:
            line[i] = (line[i] + left) & 255
        elif kind == 2:
            line[i] = (line[i] + up) & 255
        elif kind == 3:
            line[i] = (line[i] + (left + up) // 2) & 255
        elif kind == 4:
            p = left + up - corner
            pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
            line[i] = (line[i] + (left if pa <= pb and pa <= pc else up if pb <= pc else corner)) & 255
    rows.append(line)
    prev = line
green = samples = 0
for y in range(0, height, 4):
    for x in range(0, width, 4):
        r, g, b = rows[y][x * channels:x * channels + 3]
        samples += 1
        if g > r + 20 and g > b + 20:
            green += 1
assert green > samples // 10, "no 3D ground in the window (%d of %d)" % (green, samples)
print("screenshot ok: %dx%d, %d distinct values, %d of %d samples ground" % (width, height, distinct, green, samples))
PY
