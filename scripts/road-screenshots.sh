#!/usr/bin/env bash
# Takes the README's screenshots of a photographer's road: the road test drives the real main window
# on a virtual display and writes each screen it passes into docs/ as road-NN-<screen>-<light|dark>.png,
# light and dark; then the first frame of the program itself (scripts/main-window-screenshots.sh).
# Needs a build (bash scripts/build.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --build build --target road_tests fake_lightroom OrvaneStudio --parallel 4
for look in light dark; do
  ORVANE_SCREENSHOTS=1 ORVANE_ROAD_APPEARANCE=$look QT_QPA_PLATFORM=xcb DBUS_SESSION_BUS_ADDRESS=disabled: \
    xvfb-run -a -s '-screen 0 1400x1000x24' build/app/road_tests --gtest_filter='Road.*'
done
bash scripts/main-window-screenshots.sh
