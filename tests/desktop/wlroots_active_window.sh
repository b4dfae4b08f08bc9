#!/usr/bin/env bash
# The application in front under a wlroots compositor: a headless sway with
# two foot windows of different app ids, focused in turn with swaymsg; the
# suite's active_window_probe (the wlroots source) must report them in that
# order. Then the program itself, started in the session on the simulated
# keyboard with a rule added by vantoractl, must select the rule's profile
# (and write its key table) while its window is in front and the default
# one otherwise. sway refuses
# to run as root, so as root everything runs as the unprivileged user
# vantora-ci (created when missing).
#   tests/desktop/wlroots_active_window.sh BUILD
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
cp "$build/tests/active_window_probe" "$work/"
cp -r "$build/bin" "$work/bin"  # the program, vantoractl, the simulator and their data
[ "$(id -u)" -ne 0 ] || chown -R vantora-ci "$work/bin"
: >"$work/sway.config"
run() {
  "${as_user[@]}" env -i HOME="$work" PATH=/usr/bin:/bin XDG_RUNTIME_DIR="$work" \
    WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
    ${WAYLAND_DISPLAY:+WAYLAND_DISPLAY="$WAYLAND_DISPLAY"} ${SWAYSOCK:+SWAYSOCK="$SWAYSOCK"} "$@"
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

WAYLAND_DISPLAY= SWAYSOCK= run sway -c "$work/sway.config" >"$work/sway.log" 2>&1 &
pids+=($!)
socket() { compgen -G "$work/wayland-[0-9]" >/dev/null && compgen -G "$work/sway-ipc.*.sock" >/dev/null; }
if ! wait_for 30 socket; then
  cat "$work/sway.log" >&2
  echo "sway did not come up" >&2
  exit 1
fi
WAYLAND_DISPLAY="$(basename "$(compgen -G "$work/wayland-[0-9]" | head -n1)")"
SWAYSOCK="$(compgen -G "$work/sway-ipc.*.sock" | head -n1)"

for id in vantora-one vantora-two; do
  run foot --app-id="$id" --title="$id window" sleep 600 >/dev/null 2>&1 &
  pids+=($!)
done
windows() { [ "$(run swaymsg -t get_tree | grep -c '"app_id": "vantora-')" -ge 2 ]; }
wait_for 30 windows || { echo "the foot windows did not appear" >&2; exit 1; }

run "$work/active_window_probe" wlroots >"$work/reports" 2>&1 &
pids+=($!)
reported() { tail -n1 "$work/reports" | grep -q "^$1	"; }
for id in vantora-one vantora-two vantora-one; do
  run swaymsg "[app_id=$id] focus" >/dev/null
  wait_for 10 reported "$id" || true
done
order="$(cut -f1 "$work/reports" | grep . | uniq | tail -n3 | paste -sd' ')"
if [ "$order" != "vantora-one vantora-two vantora-one" ]; then
  echo "the wlroots source reported, in order:" >&2
  cat "$work/reports" >&2
  exit 1
fi
grep -q "^vantora-one	vantora-one window$" "$work/reports" || { echo "no title reported" >&2; exit 1; }
echo "wlroots source: focus followed in order ($order)"

# The program follows the same windows: the simulated keyboard, then the
# program (no window on screen) inside the session.
sim=(env VANTORA_SIM_DIR="$work/sim" VANTORA_SIMULATED_ONLY=1 QT_QPA_PLATFORM=offscreen)
ctl() { run "${sim[@]}" "$work/bin/vantoractl" "$@"; }
mkfifo "$work/sim.in"  # the simulator reads commands from it while it is open
run "${sim[@]}" "$work/bin/vantora-kbd-sim" --state "$work/kbd.json" <"$work/sim.in" >"$work/sim.log" 2>&1 &
pids+=($!)
sleep 600 >"$work/sim.in" &
pids+=($!)
simulated() { [ -n "$(ls -A "$work/sim" 2>/dev/null)" ]; }
wait_for 30 simulated || { cat "$work/sim.log" >&2; echo "the simulated keyboard did not start" >&2; exit 1; }
run "${sim[@]}" "$work/bin/vantora" >"$work/program.log" 2>&1 &
pids+=($!)
running() { ctl --json status 2>/dev/null | grep -q '"connected":true.*"via_program":true\|"via_program":true.*"connected":true'; }
wait_for 60 running || { cat "$work/program.log" >&2; echo "the program did not answer connected" >&2; exit 1; }
# The simulated keyboard's key table, as its state file has it once the
# keyboard received reports after `since` and no download is under way
# (the same over 0.3 s, outside a transaction).
key_table() { grep -o '"key_table":"[0-9a-f]*"' "$work/kbd.json"; }
reports() { grep -o '"reports_received":[0-9]*' "$work/kbd.json" | cut -d: -f2; }
settled() {
  local before
  before="$(key_table)"
  sleep 0.3
  [ "$(reports)" -gt "$since" ] && grep -q '"in_transaction":false' "$work/kbd.json" &&
    [ "$(key_table)" = "$before" ]
}
# The program's first download ends before the rule and the key are set:
# a key of profile 2 stored while it ran was seen missing from the keyboard
# after a later switch to profile 2.
since=0
wait_for 30 settled || { echo "the program's first download did not end" >&2; exit 1; }
ctl profile rule add vantora-two 2 >/dev/null
ctl profile rule default 1 >/dev/null
ctl key set "Letter A" key B --profile 2 >/dev/null
ctl --json profile rule list | grep -q '"source":"wlroots"' || {
  ctl profile rule list >&2
  echo "the program does not follow the wlroots source" >&2
  exit 1
}
active() { ctl --json status | grep -q "\"active_profile\":{\"id\":$1,"; }
tables=()
for step in vantora-two:2 vantora-one:1 vantora-two:2; do
  app="${step%:*}" profile="${step#*:}"
  since="$(reports)"
  run swaymsg "[app_id=$app] focus" >/dev/null
  wait_for 10 active "$profile" && wait_for 10 settled || {
    ctl status >&2
    cat "$work/program.log" >&2
    echo "the active profile did not follow $app to profile $profile" >&2
    exit 1
  }
  tables+=("$(key_table)")
done
if [ "${tables[0]}" = "${tables[1]}" ] || [ "${tables[0]}" != "${tables[2]}" ]; then
  echo "the keyboard's key table did not follow the profiles 2, 1, 2: $(for t in "${tables[@]}"; do md5sum <<<"$t" | cut -c1-8; done | paste -sd" ")" >&2
  exit 1
fi
echo "the program: the active profile and the keyboard's key table followed the focus (2, 1, 2)"
