#!/usr/bin/env bash
# The window under headless sway, on Qt's native Wayland platform, used with
# real input. Headless sway has no input devices of its own: keys come from
# wtype (a virtual keyboard) and clicks and drags from vantora-pointer (a
# virtual pointer, built with the tests). Checked, beside a simulated
# keyboard:
# - the window appears, and a press on its title, a move and a release move
#   it by as much as the pointer moved (its place in sway's tree);
# - a key captured in the KEY page's field is still there after another
#   program's window (wev) had the focus and the window got it back (the
#   field's picture, taken with grim, is the one it had with the key);
# - Ctrl+Q, the frame's Exit button, its close button and sway's close (no
#   tray here) each end the program with exit status 0.
# With VANTORA_SHOTS=DIR pictures of the screen are written there (the
# window as it opens, and the KEY page with the captured key).
#   tests/desktop/wayland_window.sh BUILD
set -euo pipefail
build="$(realpath "${1:?usage: wayland_window.sh BUILD}")"
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/common.sh"

if [ "$(id -u)" -ne 0 ]; then
  echo "SKIP: needs root (to make the compositor's user)"
  exit 0
fi
vantora_install_packages sway jq grim qt6-wayland wtype wev

# sway refuses root: it and the program run as a user of their own.
user=vantora-ci
id "$user" >/dev/null 2>&1 || useradd -m "$user"
tmp="$(mktemp -d /tmp/vantora-wlwin.XXXXXX)"
runtime="$tmp/run"
mkdir -p "$runtime" "$tmp/home/.config" "$tmp/bin" "$tmp/shots"
# The programs with the data, where the compositor's user can reach them
# (the build may lie in root's home).
cp -r "$build/bin/vantora" "$build/bin/vantoractl" "$build/bin/vantora-kbd-sim" "$build/bin/config.ini" \
  "$build/bin/layouts" "$build/tests/vantora-pointer" "$tmp/bin/"
chown -R "$user" "$tmp"
chmod 0700 "$runtime"
chmod a+rx "$tmp"
# Everything started in the background ends with the script (before its
# files go, which the program would otherwise write into again).
cleanup() {
  [ -n "${sim_pid:-}" ] && { echo quit >&3; } 2>/dev/null || true
  for pid in ${app_pid:-} ${wev_pid:-} ${sim_pid:-} ${sway_pid:-}; do
    kill "$pid" 2>/dev/null || true
  done
  wait 2>/dev/null || true
  rm -rf "$tmp"
}
trap cleanup EXIT
uid="$(id -u "$user")"
gid="$(id -g "$user")"
user_env=(env XDG_RUNTIME_DIR="$runtime" HOME="$tmp/home" XDG_CONFIG_HOME="$tmp/home/.config")
as_user() { setpriv --reuid="$uid" --regid="$gid" --init-groups "${user_env[@]}" "$@"; }
# A program of that user in the background (`in_background CMD... &`): the
# job becomes the program itself, so that $! can end it and wait for it.
in_background() { exec setpriv --reuid="$uid" --regid="$gid" --init-groups "${user_env[@]}" "$@"; }
fail() {
  echo "FAIL: $*" >&2
  tail -20 "$tmp/app.log" >&2 || true
  exit 1
}

# A screen larger than the window, which floats as on a user's sway; wev's
# window keeps out of the program's fields.
printf '%s\n' 'output HEADLESS-1 resolution 1920x1080' 'for_window [app_id=".*"] floating enable' \
  'for_window [app_id="wev"] move position 0 0' > "$tmp/sway.config"
chown "$user" "$tmp/sway.config"
in_background env WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
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
on_screen() { as_user env WAYLAND_DISPLAY="$wayland" "$@"; }

# The simulated keyboard, so that the DEVICE page opens; it takes commands
# from the script until "quit".
# (Opened for reading and writing, the pipe never blocks the script.)
mkfifo "$tmp/sim.in"
chown "$user" "$tmp/sim.in"
exec 3<> "$tmp/sim.in"
in_background env VANTORA_SIM_DIR="$runtime/sim" "$tmp/bin/vantora-kbd-sim" < "$tmp/sim.in" > "$tmp/sim.log" 2>&1 &
sim_pid=$!
for _ in $(seq 50); do
  grep -q '^plugged' "$tmp/sim.log" && break
  sleep 0.1
done
grep -q '^plugged' "$tmp/sim.log" || fail "the simulated keyboard did not start: $(cat "$tmp/sim.log")"

app_id=io.github.vantora.Vantora
# The window's place on the screen: "X Y WIDTH" (its top left corner).
window_at() {
  sway -t get_tree | jq -r --arg id "$1" \
    '.. | objects | select(.app_id? == $id) | "\(.rect.x + .window_rect.x) \(.rect.y + .window_rect.y) \(.window_rect.width)"' | head -1
}
focused() {
  sway -t get_tree | jq -r '.. | objects | select(.focused? == true) | .app_id // empty' | head -1
}
start_app() {
  in_background env WAYLAND_DISPLAY="$wayland" SWAYSOCK="$sock" QT_QPA_PLATFORM=wayland VANTORA_SIMULATED_ONLY=1 \
    VANTORA_SIM_DIR="$runtime/sim" "$tmp/bin/vantora" > "$tmp/app.log" 2>&1 &
  app_pid=$!
  for _ in $(seq 100); do
    read -r x y w <<< "$(window_at "$app_id")" || true
    [ -n "${y:-}" ] && return 0
    sleep 0.2
  done
  fail "the window did not appear"
}
# The program ends by itself, with status 0.
expect_end() {
  local status=
  for _ in $(seq 50); do
    if ! kill -0 "$app_pid" 2>/dev/null; then
      wait "$app_pid" && status=0 || status=$?
      break
    fi
    sleep 0.2
  done
  [ "$status" = 0 ] || fail "$1 did not end the program (status ${status:-still running})"
  app_pid=
  echo "ok: $1 ended the program"
}
# Pointer steps (vantora-pointer's) at places of the window; the first wait
# lets the program take the new pointer.
pointer() { on_screen "$tmp/bin/vantora-pointer" 1920x1080 wait 300 "$@" wait 300; }
at() { echo "move $((x + $1)) $((y + $2))"; }
click() { pointer $(at "$1" "$2") wait 100 press wait 50 release; }
# Keys through a virtual keyboard, which the program takes once it is there.
keys() { on_screen wtype -s 300 "$@" -s 300; }
# A picture of the rectangle X Y W H of the window.
shot() { on_screen grim -g "$((x + $1)),$((y + $2)) $3x$4" "$tmp/shots/$5.png"; }
# The screen into VANTORA_SHOTS, when set, as NAME.png.
keep_screen() {
  [ -n "${VANTORA_SHOTS:-}" ] || return 0
  mkdir -p "$VANTORA_SHOTS"
  on_screen grim "$tmp/shots/screen.png" && cp "$tmp/shots/screen.png" "$VANTORA_SHOTS/$1.png"
}

# A step vantora-pointer does not know: it sends nothing and exits 2.
status=0
on_screen "$tmp/bin/vantora-pointer" 1920x1080 move 10 2> /dev/null || status=$?
[ "$status" = 2 ] || fail "vantora-pointer took an incomplete step (status $status)"

start_app
# The DEVICE page opens only once the program has the keyboard.
connected() {
  local status
  status="$(as_user env VANTORA_SIMULATED_ONLY=1 VANTORA_SIM_DIR="$runtime/sim" "$tmp/bin/vantoractl" --json status \
    2> /dev/null || true)"
  grep -q '"connected":true' <<< "$status"
}
for _ in $(seq 50); do
  connected && break
  sleep 0.2
done
connected || fail "the program did not connect to the simulated keyboard"
keep_screen wayland-sway

# Dragging the title (centred, at y 27).
x0=$x y0=$y
pointer $(at $((w / 2)) 27) wait 100 press wait 200 $(at $((w / 2 + 50)) 60) wait 100 $(at $((w / 2 + 100)) 100) \
  wait 200 release
read -r x y w <<< "$(window_at "$app_id")"
[ "$x $y" = "$((x0 + 100)) $((y0 + 73))" ] ||
  fail "dragging the title by 100,73 moved the window from $x0,$y0 to $x,$y"
echo "ok: dragging the title moved the window"

# DEVICE (the second page tab; the tabs are 189x63, 65 apart from config.ini's
# TAB_X,TAB_Y of 16,120), then on the KEY page the Keyboard function (the
# second of the Key Set list at 336-576,540-576) and its single key field
# (336-576,596-632), whose inside is pictured.
click 110 216
click 456 558
keys -k Down -k Return
click 456 614
shot 340 600 232 28 empty
keys -k F5
shot 340 600 232 28 captured
! cmp -s "$tmp/shots/empty.png" "$tmp/shots/captured.png" || fail "the field did not take F5"
# Another program's window takes the focus, then the program's gets it back.
in_background env WAYLAND_DISPLAY="$wayland" wev > /dev/null 2>&1 &
wev_pid=$!
for _ in $(seq 50); do
  [ "$(focused)" = wev ] && break
  sleep 0.1
done
[ "$(focused)" = wev ] || fail "wev did not get the focus"
sway "[app_id=\"$app_id\"] focus" > /dev/null
sleep 0.5
[ "$(focused)" = "$app_id" ] || fail "the program's window did not get the focus back"
# The field's caret blinks now that the field has the focus again: one of
# the pictures taken over more than a blink is the field as it was.
same=
for _ in $(seq 10); do
  shot 340 600 232 28 back
  cmp -s "$tmp/shots/captured.png" "$tmp/shots/back.png" && same=1 && break
  sleep 0.15
done
[ -n "$same" ] || fail "the captured key was lost with the focus"
echo "ok: the captured key survived a focus change"
keep_screen wayland-sway-captured-key

# Ctrl+Q, once the capture field (which takes it as a key) lost the focus
# to the HOME tab (the first).
click 110 151
keys -M ctrl -k q -m ctrl
expect_end "Ctrl+Q"

# The frame's Exit button: 144 from the right edge, beside the settings
# button (sway has no minimising, so no minimise button).
start_app
sleep 1
click $((w - 144)) 29
expect_end "the Exit button"

# With no tray on this desktop, the frame's close button and sway's close
# end the program.
start_app
sleep 1
click $((w - 66)) 29
expect_end "the close button under sway, which has no tray,"
start_app
sway "[app_id=\"$app_id\"] kill" > /dev/null
expect_end "closing the window under sway"
