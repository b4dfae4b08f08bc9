#!/usr/bin/env bash
# Texts typed through the virtual keyboard (uinput) reach a Wayland client
# under headless sway, with a US and a non-US layout: wev (the client) has
# the focus and prints what it receives; the characters are read back from
# its output. Needs /dev/uinput (the virtual machine of tests/vm has it):
# skipped, with the reason, where it is missing.
#   tests/desktop/wayland_typing.sh BUILD
set -euo pipefail
build="$(realpath "${1:?usage: wayland_typing.sh BUILD}")"
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/common.sh"

if [ ! -e /dev/uinput ]; then
  echo "SKIP: no /dev/uinput here (no uinput module or a container); run it in tests/vm"
  exit 0
fi
if [ ! -S /run/udev/control ]; then
  echo "SKIP: no udev daemon here (the compositor's libinput finds the virtual keyboard through it)"
  exit 0
fi
if [ "$(id -u)" -ne 0 ]; then
  echo "SKIP: needs root (to make the compositor's user and give it the input devices)"
  exit 0
fi
vantora_install_packages sway wev
modprobe uinput 2>/dev/null || true

# sway refuses root: it runs as a user of its own, which may read the input
# devices (the virtual keyboard among them) through the seat manager built
# into libseat, bound to no virtual terminal.
user=vantora-ci
id "$user" >/dev/null 2>&1 || useradd -m "$user"
usermod -a -G input "$user"
runtime="$(mktemp -d /tmp/vantora-wl.XXXXXX)"
chown "$user" "$runtime"
chmod 0700 "$runtime"
cleanup() {
  [ -n "${sway_pid:-}" ] && kill "$sway_pid" 2>/dev/null || true
  rm -rf "$runtime"
}
trap cleanup EXIT

failures=0
for layout in us fr; do
  case "$layout" in
    us) text='Hello, z@1!' ;;
    fr) text='zé@a' ;;
  esac
  printf 'exec wev -f wl_keyboard:key > %s/wev.log 2>&1\n' "$runtime" > "$runtime/config"
  chown "$user" "$runtime/config"
  runuser -u "$user" -- env XDG_RUNTIME_DIR="$runtime" WLR_BACKENDS=headless,libinput \
    WLR_RENDERER=pixman LIBSEAT_BACKEND=builtin SEATD_VTBOUND=0 WLR_LIBINPUT_NO_DEVICES=1 \
    XKB_DEFAULT_LAYOUT="$layout" sway -c "$runtime/config" > "$runtime/sway.log" 2>&1 &
  sway_pid=$!
  # wev's window, once sway shows it, has the keyboard's focus.
  for _ in $(seq 50); do
    swaymsg -s "$runtime"/sway-ipc.*.sock -t get_tree 2>/dev/null | grep -q '"app_id": "wev"' && break
    sleep 0.2
  done
  XKB_DEFAULT_LAYOUT="$layout" "$build/bin/vantora-type-text" "$text" || true
  # wev writes out the last of what it got when its window is closed.
  swaymsg -s "$runtime"/sway-ipc.*.sock kill >/dev/null 2>&1 || true
  for _ in $(seq 50); do
    pgrep -u "$user" -x wev >/dev/null || break
    sleep 0.1
  done
  # sway's own exit: a signal would end runuser and leave sway running.
  swaymsg -s "$runtime"/sway-ipc.*.sock exit >/dev/null 2>&1 || true
  for _ in $(seq 50); do
    kill -0 "$sway_pid" 2>/dev/null || break
    sleep 0.1
  done
  kill "$sway_pid" 2>/dev/null || true
  wait "$sway_pid" 2>/dev/null || true
  sway_pid=
  rm -f "$runtime"/sway-ipc.*.sock
  got="$(grep -A1 'state: 1 (pressed)' "$runtime/wev.log" | sed -n "s/.*utf8: '\(.*\)'$/\1/p" | tr -d '\n')"
  if [ "$got" = "$text" ]; then
    echo "ok: $layout typed \"$text\""
  else
    echo "FAIL: $layout typed \"$text\", the client got \"$got\"" >&2
    tail -20 "$runtime/sway.log" >&2
    failures=$((failures + 1))
  fi
done
exit "$failures"
