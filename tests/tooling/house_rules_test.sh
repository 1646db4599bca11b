#!/usr/bin/env bash
# The layering and formatting checks must catch what they are there for:
# each runs on a small tree with planted violations and must fail naming
# them, and on the same tree without them must pass.
set -euo pipefail
repo="$(cd "$(dirname "$0")/../.." && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail() { echo "FAILED: $*"; exit 1; }

# --- layering ---------------------------------------------------------------
mkdir -p "$work/layers/src/format" "$work/layers/src/document" "$work/layers/src/app" \
         "$work/layers/tests/document" "$work/layers/src/view3d/device"
cat >"$work/layers/src/document/Good.cpp" <<'CPP'
#include "format/DefNode.h"
#include <vector>
CPP
cat >"$work/layers/src/app/Good.cpp" <<'CPP'
#include "document/Good.h"
#include "commands/CommandTable.h"
#include <QWidget>
CPP
python3 "$repo/scripts/check_layers.py" "$work/layers" >"$work/out" || fail "clean tree refused: $(cat "$work/out")"

printf '#include "format/DefNode.h"\n#include <QString>\n' >"$work/layers/src/format/Bad.cpp"
printf '// a comment\n#include "app/MainFrame.h"\n' >"$work/layers/src/document/Bad.cpp"
printf '#include <epoxy/gl.h>\n' >"$work/layers/src/document/Gl.cpp"
printf '#include <QOpenGLWidget>\n' >"$work/layers/src/view3d/device/Qt.cpp"
printf '#include "support/QtTestSupport.h"\n' >"$work/layers/tests/document/BadTest.cpp"
if python3 "$repo/scripts/check_layers.py" "$work/layers" >"$work/out"; then
  fail "planted layering violations passed"
fi
for expected in \
  "src/format/Bad.cpp:2: <QString>: Qt is not allowed in 'format'" \
  "src/document/Bad.cpp:2: \"app/MainFrame.h\": 'document' may not use 'app'" \
  "src/document/Gl.cpp:1: <epoxy/gl.h>: OpenGL is not allowed in 'document'" \
  "src/view3d/device/Qt.cpp:1: <QOpenGLWidget>: Qt is not allowed in 'view3d/device'" \
  "tests/document/BadTest.cpp:1: \"support/QtTestSupport.h\": Qt test helpers are not allowed in 'document'"; do
  grep -qF -- "$expected" "$work/out" || fail "missing report: $expected"$'\n'"$(cat "$work/out")"
done
grep -q "src/format/Bad.cpp:1" "$work/out" && fail "an allowed include was reported"

# --- formatting -------------------------------------------------------------
mkdir -p "$work/fmt/scripts"
cp "$repo/scripts/check_format.sh" "$work/fmt/scripts/"
cp "$repo/.clang-format" "$work/fmt/"
printf 'int Good() {\n    return 1;\n}\n' >"$work/fmt/Good.cpp"
git -C "$work/fmt" init -q
git -C "$work/fmt" add -A
bash "$work/fmt/scripts/check_format.sh" >"$work/out" || fail "formatted tree refused: $(cat "$work/out")"
printf 'int  Bad( ){return 1;}\n' >"$work/fmt/Bad.cpp"
if bash "$work/fmt/scripts/check_format.sh" >"$work/out"; then fail "a misformatted file passed"; fi
grep -qF "format: not formatted: Bad.cpp" "$work/out" || fail "misformatted file not named: $(cat "$work/out")"

echo "house rules: planted violations caught"
