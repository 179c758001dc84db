#!/usr/bin/env bash
# Installs the Debian packages the build needs, only those that are missing.
# Safe to run repeatedly; needs root (or sudo) when something is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-charts-dev libqt6opengl6-dev libgl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth
)
# A real window manager for the test of how the windows stack: openbox on
# the virtual display, xdotool to click, xprop (x11-utils) to read the stacking.
packages+=(openbox xdotool x11-utils)
# Sanitizer and fuzzing runtimes for `make test` / `make fuzz`.
packages+=(clang libclang-rt-14-dev)
# Locales with a decimal comma, for the tests of number formatting.
packages+=(locales-all)
# Qt's own texts in Croatian (the qtbase catalogue).
packages+=(qt6-translations-l10n)
# Packaging: the Debian package (CPack reads the programs' libraries with
# file and dpkg-shlibdeps), the checks of the desktop entry, the MIME type
# and the manual page.
packages+=(dpkg-dev file desktop-file-utils shared-mime-info libxml2-utils groff-base)
# Graphviz and networkx read the exported DOT and GraphML in the tests.
packages+=(graphviz python3-networkx)
# The picture of the structure: Graphviz lays it out (libgvc, libcgraph),
# Qt SVG writes the exported drawing.
packages+=(libgraphviz-dev qt6-svg-dev)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
