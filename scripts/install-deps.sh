#!/usr/bin/env bash
# Installs the Debian packages the build needs, only those that are missing.
# Safe to run repeatedly; needs root (or sudo) when something is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-charts-dev libgl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth
)
# Sanitizer and fuzzing runtimes for `make test` / `make fuzz`.
packages+=(clang libclang-rt-14-dev)
# Locales with a decimal comma, for the tests of number formatting.
packages+=(locales-all)

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
