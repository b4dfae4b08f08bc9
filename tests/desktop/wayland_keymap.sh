#!/usr/bin/env bash
# Send Text's layout under sway: the keys planned for a text come from the
# keymap the compositor gives its clients, and from the layout names
# (XKB_DEFAULT_LAYOUT) only when the compositor has no keyboard to give one.
# A headless sway has no keyboard: there vantora-type-text --print-plan
# falls back to the names (de: "z" is KEY_Y). A second sway, nested in the
# first (its Wayland backend), gets a real keyboard from the outer one's
# seat (which has one while wtype holds a virtual keyboard there) and sets
# it up with its config's `input * xkb_layout fr`: the plan for "a" must be
# French (KEY_Q) although the names say us. sway refuses to run as root, so
# as root everything runs as the unprivileged user vantora-ci (created when
# missing).
#   tests/desktop/wayland_keymap.sh BUILD
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/common.sh"
build="$(realpath "${1:-build}")"
vantora_install_packages "${VANTORA_DESKTOP_PACKAGES[@]}"

work="$(mktemp -d)"
as_user=()
if [ "$(id -u)" -eq 0 ]; then
  id -u vantora-ci >/dev/null 2>&1 || useradd -m vantora-ci
  chown vantora-ci "$work"
  # setpriv runs the program in its place (runuser stayed above it, and
  # its children outlived the check)
  as_user=(setpriv --reuid="$(id -u vantora-ci)" --regid="$(id -g vantora-ci)" --init-groups)
fi
chmod 700 "$work"
cp "$build/bin/vantora-type-text" "$work/"
printf 'input * xkb_layout fr\n' >"$work/fr.config"
: >"$work/empty.config"
[ "$(id -u)" -ne 0 ] || chown vantora-ci "$work"/*
run() {  # run DISPLAY COMMAND...: in the session of the compositor at DISPLAY
  local display="$1"
  shift
  "${as_user[@]}" env -i HOME="$work" PATH=/usr/bin:/bin XDG_RUNTIME_DIR="$work" \
    WLR_RENDERER=pixman ${display:+WAYLAND_DISPLAY="$display"} "$@"
}
pids=()
# A background `run` is a subshell above the program: the
# whole tree ends, the programs first.
end_tree() {
  local child
  for child in $(pgrep -P "$1"); do end_tree "$child"; done
  kill "$1" 2>/dev/null || true
}
cleanup() {
  local pid
  for pid in "${pids[@]}"; do end_tree "$pid"; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

wait_for() {  # wait_for SECONDS COMMAND...: until the command succeeds
  local tries=$(($1 * 10))
  shift
  until "$@"; do
    tries=$((tries - 1))
    [ "$tries" -gt 0 ] || return 1
    sleep 0.1
  done
}
# start_sway SOCKET LOG ENV...: a sway whose clients connect to SOCKET.
start_sway() {
  local socket="$1" log="$2"
  shift 2
  run "" "$@" sway -c "$work/$log.config" >"$work/$log.log" 2>&1 &
  pids+=($!)
  if ! wait_for 30 test -S "$work/$socket"; then
    cat "$work/$log.log" >&2
    echo "sway ($log) did not come up" >&2
    exit 1
  fi
}
# expect_plan DISPLAY LAYOUT TEXT WANTED: the tool's output for TEXT, the
# layout names telling it LAYOUT.
expect_plan() {
  local got
  got="$(run "$1" XKB_DEFAULT_LAYOUT="$2" "$work/vantora-type-text" --print-plan "$3" 2>/dev/null | paste -sd' ')"
  if [ "$got" != "$4" ]; then
    echo "the plan for \"$3\" ($2 named) was \"$got\", not \"$4\"" >&2
    exit 1
  fi
  echo "ok: \"$3\" ($2 named) planned as \"$got\""
}

start_sway wayland-1 empty WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1
expect_plan wayland-1 de z "layout: names (the Wayland compositor's seat has no keyboard) 21"

run wayland-1 wtype -s 600000 x >/dev/null 2>&1 &
pids+=($!)
start_sway wayland-2 fr WLR_BACKENDS=wayland WAYLAND_DISPLAY=wayland-1
keyboard() { run wayland-2 "$work/vantora-type-text" --print-plan a 2>/dev/null | grep -q "^layout: compositor"; }
wait_for 10 keyboard || true
expect_plan wayland-2 us aé "layout: compositor 16 3"
