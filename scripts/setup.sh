#!/usr/bin/env bash
# Installs every Debian package the editor, its tests, benchmarks and tools need.
# Safe to run again: packages already present are left alone.
set -euo pipefail

packages=(
  # build tools
  build-essential cmake ninja-build pkg-config git clang libclang-rt-14-dev
  # the house rules: layout checked with Debian's clang-format
  clang-format
  # libraries of the core
  zlib1g-dev libglm-dev libstb-dev
  # tests and benchmarks
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  # GUI: Qt 6 Widgets and OpenGL, the OpenGL loader
  qt6-base-dev libqt6opengl6-dev libepoxy-dev libgl-dev libx11-dev
  # the text window's editing component
  libqscintilla2-qt6-dev
  # offscreen OpenGL contexts for the render device's pixel tests
  libegl-dev libegl-mesa0
  # headless display for GUI and rendering tests, software OpenGL
  xvfb xauth libgl1-mesa-dri mesa-utils
  # archivers the pak tests check our archives against
  zip unzip p7zip-full libarchive-tools python3
  # a comma-decimal locale, to prove number formatting ignores the locale
  locales
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
# The tests switch to a German locale to check that numbers in the game's
# files never pick up a decimal comma.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi
  $SUDO localedef -i de_DE -f UTF-8 de_DE.UTF-8 || echo "setup: could not generate de_DE.UTF-8 (locale test will fall back)"
fi
echo "setup: all packages present"
