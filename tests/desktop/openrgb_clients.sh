#!/usr/bin/env bash
# The OpenRGB SDK server against clients we did not write, from the npm
# registry: openrgb-sdk (protocol 5) and openrgb (protocol 0), run with
# Debian's Node against the program with the simulated keyboard (their
# scripts are in tests/desktop/openrgb/). The packages go into a temporary
# folder at pinned versions.
#   tests/desktop/openrgb_clients.sh BUILD
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/../../scripts/common.sh"
build="$(realpath "${1:-build}")"
vantora_install_packages sqlite3
vantora_install_node

tmp="$(mktemp -d)"
sim_pid=""
program_pid=""
cleanup() {
  [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null || true
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null || true
  pkill -P $$ -x sleep 2>/dev/null || true  # what holds the simulator's input open
  wait 2>/dev/null || true
  rm -rf "$tmp"
}
trap cleanup EXIT
fail() {
  echo "FAILED: $*" >&2
  for log in "$tmp"/*.log; do echo "== $log" >&2; tail -20 "$log" >&2; done
  exit 1
}

echo "== npm install openrgb-sdk@0.6.0 openrgb@0.1.2"
mkdir -p "$tmp/npm"
(cd "$tmp/npm" && npm install --no-audit --no-fund --no-save --ignore-scripts \
  openrgb-sdk@0.6.0 openrgb@0.1.2 >"$tmp/npm.log" 2>&1) || fail "npm install"

mkdir -p "$tmp/home" "$tmp/config/VANTORA" "$tmp/run" "$tmp/documents"
chmod 700 "$tmp/run"
export HOME="$tmp/home" XDG_CONFIG_HOME="$tmp/config" XDG_RUNTIME_DIR="$tmp/run" \
  XDG_DOCUMENTS_DIR="$tmp/documents" VANTORA_SIM_DIR="$tmp/run/vantora-sim" \
  VANTORA_SIMULATED_ONLY=1 QT_QPA_PLATFORM=offscreen
# A port the system just handed out, so that parallel runs do not meet.
port="$(node -e 'const s=require("net").createServer().listen(0,"127.0.0.1",()=>{console.log(s.address().port);s.close()})')"
printf '[TEXT]\nOPENRGB_SERVER=1\nOPENRGB_PORT=%s\n' "$port" >"$tmp/config/VANTORA/config.ini"

sleep 600 | "$build/bin/vantora-kbd-sim" --state "$tmp/state.json" >"$tmp/sim.log" 2>&1 &
sim_pid=$!
for _ in $(seq 100); do
  [ -s "$tmp/state.json" ] && break
  sleep 0.1
done
[ -s "$tmp/state.json" ] || fail "the simulated keyboard did not start"

"$build/bin/vantora" >"$tmp/program.log" 2>&1 &
program_pid=$!
status=""
for _ in $(seq 150); do
  kill -0 "$program_pid" 2>/dev/null || fail "the program ended"
  status="$("$build/bin/vantoractl" --json status 2>/dev/null || true)"
  grep -q '"connected":true' <<<"$status" && grep -q '"via_program":true' <<<"$status" && break
  sleep 0.2
done
grep -q '"connected":true' <<<"$status" || fail "the program did not connect: $status"
database="$(find "$tmp/documents" -path '*/db/*' -name 'kb_data*.db' -type f | head -1)"
[ -n "$database" ] || fail "no database under $tmp/documents"
# The initial load has run once the light modes are listed.
for _ in $(seq 100); do
  "$build/bin/vantoractl" light list >/dev/null 2>&1 && break
  sleep 0.1
done

export NODE_PATH="$tmp/npm/node_modules"
echo "== openrgb-sdk on port $port"
node "$here/openrgb/openrgb_sdk.js" "$port" "$tmp/state.json" "$database" || fail "openrgb-sdk"
echo "== openrgb on port $port"
node "$here/openrgb/openrgb.js" "$port" "$tmp/state.json" || fail "openrgb"
echo "OpenRGB SDK clients: passed"
