#!/usr/bin/env bash
# Checks that every C++ file of the repository is laid out as .clang-format
# says, with Debian's clang-format. Prints each file that differs and how to
# fix it. Usage: bash scripts/check_format.sh [--fix]
set -euo pipefail
cd "$(dirname "$0")/.."
tool="$(command -v clang-format-14 || command -v clang-format || true)"
if [ -z "$tool" ]; then
  echo "format: clang-format not found (scripts/setup.sh installs it)" >&2
  exit 2
fi
mapfile -t files < <(git ls-files -co --exclude-standard -- '*.cpp' '*.h' '*.hpp' '*.cc' | while read -r f; do [ -f "$f" ] && echo "$f"; done)
if [ "${1:-}" = "--fix" ]; then
  "$tool" -i "${files[@]}"
  echo "format: ${#files[@]} files formatted"
  exit 0
fi
bad=()
for f in "${files[@]}"; do
  if ! "$tool" --dry-run --Werror "$f" >/dev/null 2>&1; then bad+=("$f"); fi
done
if [ ${#bad[@]} -gt 0 ]; then
  printf 'format: not formatted: %s\n' "${bad[@]}"
  echo "format: ${#bad[@]} file(s) differ from .clang-format; run: bash scripts/check_format.sh --fix"
  exit 1
fi
echo "format: ${#files[@]} files checked, all formatted"
