#!/usr/bin/env bash
# Runs a test program on a virtual X display of its own and a session bus of its own, with
# the user's folders in a temporary folder, and removes all of it afterwards.
set -uo pipefail

# Listing the tests needs no display.
if [ "${2:-}" = "--gtest_list_tests" ]; then
  exec "$@"
fi

here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/duskmere-desktop-XXXXXX")
xvfb_pid=""
cleanup() {
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null
    wait "$xvfb_pid" 2>/dev/null
  fi
  rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/home" "$work/cache" "$work/config" "$work/data"
mkdir -m 700 "$work/runtime"
export HOME="$work/home" XDG_CACHE_HOME="$work/cache" XDG_CONFIG_HOME="$work/config"
export XDG_DATA_HOME="$work/data" XDG_RUNTIME_DIR="$work/runtime"
unset DBUS_SESSION_BUS_ADDRESS WAYLAND_DISPLAY
export GDK_BACKEND=x11 NO_AT_BRIDGE=1

# The server picks a free display itself, so parallel runs never collide.
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 1 200); do
  [ -s "$work/display" ] && break
  kill -0 "$xvfb_pid" 2>/dev/null || break
  sleep 0.05
done
if [ ! -s "$work/display" ]; then
  echo "Xvfb did not start:" >&2
  cat "$work/xvfb.log" >&2
  exit 1
fi
export DISPLAY=":$(head -n1 "$work/display")"

export LSAN_OPTIONS="suppressions=$here/lsan.supp:print_suppressions=0${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
dbus-run-session -- "$@"
