#!/usr/bin/env bash
# The KWin script and both GNOME Shell extensions (43-44: legacy imports,
# 45 and later: ES modules) parse, and their metadata is JSON with the
# shell versions each is for; the legacy extension also loads in gjs.
#   tests/desktop/desktop_scripts.sh [BUILD]
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/common.sh"
vantora_install_packages "${VANTORA_DESKTOP_PACKAGES[@]}"
vantora_install_node
data="$VANTORA_ROOT/data/desktop"
uuid=vantora-focus@vantora.github.io
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

node --check "$data/kwin/vantora-focus.js"
node --check "$data/gnome/43/$uuid/extension.js"
cp "$data/gnome/45/$uuid/extension.js" "$work/extension.mjs"
node --check "$work/extension.mjs"
gjs "$data/gnome/43/$uuid/extension.js"
for variant in 43:'["43","44"]' 45:'["45","46","47"]'; do
  versions="$(python3 -c 'import json,sys; m=json.load(open(sys.argv[1])); assert m["uuid"]==sys.argv[2]; print(json.dumps(m["shell-version"]).replace(" ",""))' \
    "$data/gnome/${variant%%:*}/$uuid/metadata.json" "$uuid")"
  [ "$versions" = "${variant#*:}" ] || { echo "gnome/${variant%%:*}: shell versions $versions" >&2; exit 1; }
done
echo "KWin script and GNOME Shell extensions: syntax and metadata fine"
