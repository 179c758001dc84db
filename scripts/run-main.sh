#!/usr/bin/env bash
# The main job: the desktop program when there is a display, otherwise the
# command-line results for the bundled example.
set -euo pipefail
build=${1:-build}
example=${2:-examples/primjer.dsm}
root=$(cd "$(dirname "$0")/.." && pwd)

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -x "$build/bin/velmor" ]; then
  # The help window reads Velmor.txt from the working directory.
  cd "$root"
  exec "$build/bin/velmor"
fi

"$build/bin/velmor-cli" "$example"
if [ -x "$build/bin/velmor" ]; then
  echo
  echo "No display found. Start the desktop program on a display with:"
  echo "  cd $root && $build/bin/velmor"
  echo "or without one, in a virtual display:"
  echo "  cd $root && xvfb-run -a $build/bin/velmor"
fi
