#!/usr/bin/env bash
# Fcitx5 as a separate process on a private D-Bus session bus, with the addon
# from the build tree, and a client that types through Fcitx5's D-Bus
# input-context interface. Starts and stops everything itself; every wait is
# bounded so it cannot hang.
#
# usage: dbus_test.sh CLIENT ADDON_DIR DATA_DIR SYSTEM_ADDON_DIR
#   ADDON_DIR         directory holding the addon library
#   DATA_DIR          data directory holding fcitx5/addon and fcitx5/inputmethod
#   SYSTEM_ADDON_DIR  Fcitx5's own addon directory (dbus, dbusfrontend)
# With QUVO_TEST_SKIP set, the test reports itself skipped (exit 77) and says why.
set -euo pipefail

if [ -n "${QUVO_TEST_SKIP:-}" ]; then
  echo "skipped: $QUVO_TEST_SKIP"
  exit 77
fi

if [ "${1:-}" != "--inside" ]; then
  [ "$#" -eq 4 ] || { echo "usage: $0 CLIENT ADDON_DIR DATA_DIR SYSTEM_ADDON_DIR" >&2; exit 2; }
  work=$(mktemp -d "${TMPDIR:-/tmp}/quvo-dbus-XXXXXX")
  trap 'rm -rf "$work"' EXIT
  status=0
  timeout -k 5 120 dbus-run-session -- bash "$0" --inside "$work" "$@" || status=$?
  exit "$status"
fi

work=$2 client=$3 addon_dir=$4 data_dir=$5 system_addon_dir=$6

export HOME=$work/home
export XDG_CONFIG_HOME=$HOME/.config XDG_DATA_HOME=$HOME/.local/share
export XDG_CACHE_HOME=$HOME/.cache XDG_RUNTIME_DIR=$work/runtime
unset DISPLAY WAYLAND_DISPLAY
mkdir -p "$XDG_CONFIG_HOME/fcitx5" "$XDG_DATA_HOME" "$XDG_CACHE_HOME"
mkdir -m 700 -p "$XDG_RUNTIME_DIR"

# One input-method group holding Quvo alone, so every input context uses it.
cat > "$XDG_CONFIG_HOME/fcitx5/profile" <<'PROFILE'
[Groups/0]
Name=Default
Default Layout=us
DefaultIM=quvo

[Groups/0/Items/0]
Name=quvo
Layout=

[GroupOrder]
0=Default
PROFILE

log=$work/fcitx5.log
(
  export FCITX_ADDON_DIRS="$addon_dir:$system_addon_dir"
  export XDG_DATA_DIRS="$data_dir:/usr/share"
  exec fcitx5 --disable=all --enable=keyboard,dbus,dbusfrontend,quvo
) > "$log" 2>&1 &
fcitx_pid=$!

stop_fcitx() {
  if kill -0 "$fcitx_pid" 2>/dev/null; then
    kill -TERM "$fcitx_pid" 2>/dev/null || true
    for _ in $(seq 50); do
      kill -0 "$fcitx_pid" 2>/dev/null || break
      sleep 0.1
    done
    kill -KILL "$fcitx_pid" 2>/dev/null || true
  fi
  wait "$fcitx_pid" 2>/dev/null || true
}
trap stop_fcitx EXIT

status=0
timeout -k 5 60 "$client" || status=$?
if ! kill -0 "$fcitx_pid" 2>/dev/null; then
  echo "Fcitx5 exited early" >&2
  status=1
fi
stop_fcitx
trap - EXIT
if [ "$status" -ne 0 ]; then
  echo "---- Fcitx5 log ----" >&2
  cat "$log" >&2
fi
exit "$status"
