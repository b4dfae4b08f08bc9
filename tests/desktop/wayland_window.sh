#!/usr/bin/env bash
# The window under headless sway, on Qt's native Wayland platform: it
# appears, and the compositor's close ends the program (exit status 0) since
# sway has no tray. Clicks and drags cannot be given here: headless sway
# without input devices offers the client no pointer (the Exit control,
# Ctrl+Q and dragging are checked under Xvfb by desktop_behaviour_test).
# With VANTORA_SHOTS=DIR a picture of the screen (grim) is written there.
#   tests/desktop/wayland_window.sh BUILD
set -euo pipefail
build="$(realpath "${1:?usage: wayland_window.sh BUILD}")"
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/common.sh"

if [ "$(id -u)" -ne 0 ]; then
  echo "SKIP: needs root (to make the compositor's user)"
  exit 0
fi
vantora_install_packages sway jq grim qt6-wayland

# sway refuses root: it and the program run as a user of their own.
user=vantora-ci
id "$user" >/dev/null 2>&1 || useradd -m "$user"
tmp="$(mktemp -d /tmp/vantora-wlwin.XXXXXX)"
runtime="$tmp/run"
mkdir -p "$runtime" "$tmp/home/.config" "$tmp/bin"
# The program with its data, where the compositor's user can reach it (the
# build may lie in root's home).
cp -r "$build/bin/vantora" "$build/bin/config.ini" "$build/bin/layouts" "$tmp/bin/"
chown -R "$user" "$tmp"
chmod 0700 "$runtime"
chmod a+rx "$tmp"
cleanup() {
  [ -n "${app_pid:-}" ] && kill "$app_pid" 2>/dev/null || true
  [ -n "${sway_pid:-}" ] && kill "$sway_pid" 2>/dev/null || true
  rm -rf "$tmp"
}
trap cleanup EXIT
as_user() {
  runuser -u "$user" -- env XDG_RUNTIME_DIR="$runtime" HOME="$tmp/home" XDG_CONFIG_HOME="$tmp/home/.config" "$@"
}
fail() {
  echo "FAIL: $*" >&2
  tail -20 "$tmp/app.log" >&2 || true
  exit 1
}

# A screen larger than the window, which floats as on a user's sway.
printf '%s\n' 'output HEADLESS-1 resolution 1920x1080' 'for_window [app_id=".*"] floating enable' > "$tmp/sway.config"
chown "$user" "$tmp/sway.config"
as_user env WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
  sway -c "$tmp/sway.config" > "$tmp/sway.log" 2>&1 &
sway_pid=$!
for _ in $(seq 50); do
  sock="$(ls "$runtime"/sway-ipc.*.sock 2>/dev/null | head -1 || true)"
  wayland="$(cd "$runtime" && ls wayland-? 2>/dev/null | head -1 || true)"
  [ -n "$sock" ] && [ -n "$wayland" ] && break
  sleep 0.2
done
[ -n "$sock" ] && [ -n "$wayland" ] || fail "sway did not start: $(tail -5 "$tmp/sway.log")"
sway() { as_user swaymsg -s "$sock" "$@"; }

start_app() {
  as_user env WAYLAND_DISPLAY="$wayland" SWAYSOCK="$sock" QT_QPA_PLATFORM=wayland VANTORA_SIMULATED_ONLY=1 \
    VANTORA_SIM_DIR="$runtime/sim" "$tmp/bin/vantora" > "$tmp/app.log" 2>&1 &
  app_pid=$!
  for _ in $(seq 100); do
    rect="$(sway -t get_tree | jq -c '.. | objects | select(.pid? != null and .pid? != 0) | .rect' | head -1)"
    [ -n "$rect" ] && return 0
    sleep 0.2
  done
  fail "the window did not appear"
}

start_app
sleep 1
if [ -n "${VANTORA_SHOTS:-}" ]; then
  mkdir -p "$VANTORA_SHOTS"
  as_user env WAYLAND_DISPLAY="$wayland" grim "$tmp/wayland.png" && cp "$tmp/wayland.png" "$VANTORA_SHOTS/wayland-sway.png"
fi

# sway's close (the close button's way, too): with no tray on this desktop
# the program ends, with status 0.
sway '[app_id=".*"] kill' >/dev/null
status=
for _ in $(seq 50); do
  if ! kill -0 "$app_pid" 2>/dev/null; then
    wait "$app_pid" && status=0 || status=$?
    break
  fi
  sleep 0.2
done
app_pid=
[ "$status" = 0 ] || fail "closing the window did not end the program (status ${status:-still running})"
echo "ok: closing the window under sway, which has no tray, ended the program"
