#!/usr/bin/env bash
# Runs a window test on a display of its own with a real window manager:
# a virtual X server (Xvfb) and openbox, which stacks and raises windows as
# a desktop does. Both are ended when the test ends.
#
#   with-window-manager.sh TEST-PROGRAM [ARGUMENTS...]
set -euo pipefail

for tool in Xvfb openbox xprop xdotool; do
  if ! command -v "$tool" > /dev/null; then
    echo "with-window-manager.sh: $tool is missing (scripts/install-deps.sh installs it)" >&2
    exit 1
  fi
done

work=$(mktemp -d)
server=""
manager=""
cleanup() {
  [ -n "$manager" ] && kill "$manager" 2> /dev/null || true
  [ -n "$server" ] && kill "$server" 2> /dev/null || true
  wait 2> /dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# A display of its own, away from the low numbers that desktops and other
# test runs take; a number that is taken (or answers as another server)
# is given up for the next one. No reset: a server that resets when its
# last client leaves (the check below is one) refuses the next for a moment.
started=""
for _ in $(seq 8); do
  number=$((100 + RANDOM % 800))
  [ -e "/tmp/.X${number}-lock" ] && continue
  Xvfb ":$number" -screen 0 1280x1024x24 -nolisten tcp -noreset 2> "$work/xvfb.log" &
  server=$!
  for _ in $(seq 100); do
    kill -0 "$server" 2> /dev/null || break
    if xprop -display ":$number" -root > /dev/null 2>&1; then
      started=yes
      break
    fi
    sleep 0.05
  done
  [ -n "$started" ] && break
  kill "$server" 2> /dev/null || true
  wait "$server" 2> /dev/null || true
  server=""
done
if [ -z "$started" ]; then
  echo "with-window-manager.sh: Xvfb did not start" >&2
  cat "$work/xvfb.log" >&2
  exit 1
fi
export DISPLAY=":$number"

# An empty configuration directory: the window manager's defaults, whatever
# the user has set up.
XDG_CONFIG_HOME="$work" openbox --sm-disable > "$work/openbox.log" 2>&1 &
manager=$!
for _ in $(seq 100); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2> /dev/null | grep -q 'window id' && break
  sleep 0.05
done
if ! xprop -root _NET_SUPPORTING_WM_CHECK 2> /dev/null | grep -q 'window id'; then
  echo "with-window-manager.sh: openbox did not start" >&2
  cat "$work/openbox.log" >&2
  exit 1
fi

# Under AddressSanitizer: the X keyboard library hands strndup a length
# beyond its buffer, as the function allows when the text ends before it;
# the strict string check takes that for an overflow.
if [ -n "${ASAN_OPTIONS:-}" ]; then
  export ASAN_OPTIONS="${ASAN_OPTIONS//strict_string_checks=1/strict_string_checks=0}"
fi

# The display has no desktop session: no session bus either, so that the
# toolkit does not open a connection the test never closes.
DBUS_SESSION_BUS_ADDRESS=disabled: QT_QPA_PLATFORM=xcb "$@"
