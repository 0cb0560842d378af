#!/usr/bin/env bash
# Takes the README's screenshots of the main window: the real program on a virtual display the size of
# its first frame, light and dark, with fresh data and settings. Needs build/app/OrvaneStudio.
set -euo pipefail
cd "$(dirname "$0")/.."
shoot() {  # appearance, output file
  local dir
  dir=$(mktemp -d)
  mkdir -p "$dir/config/Vendrel"
  # The launch migrations have run already, so the chosen appearance stays.
  printf '{"appearance":"%s","defaultsClassicAuto":true,"defaultsDayNightV1":true}\n' "$1" \
    > "$dir/config/Vendrel/defaults.json"
  ORVANE_DATA_DIR="$dir/data" XDG_CONFIG_HOME="$dir/config" XDG_DATA_HOME="$dir/share" \
    DBUS_SESSION_BUS_ADDRESS=disabled: xvfb-run -a -s '-screen 0 1247x837x24' bash -c '
      build/app/OrvaneStudio & pid=$!
      sleep 4
      xwd -root -silent | xwdtopnm 2>/dev/null | pnmtopng > "$0"
      kill -TERM $pid
      wait $pid' "$2"
  rm -rf "$dir"
}
shoot light docs/main-window-light.png
shoot dark docs/main-window-dark.png
