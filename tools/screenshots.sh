#!/usr/bin/env bash
# Takes the README's screenshots (docs/*.png) of the real windows under Xvfb
# with the openbox window manager (frames and titles as a desktop draws them):
# the login window, the main window with sample contacts, and the contact
# record window beside it. BUILD_DIR chooses the build folder (default build).
set -euo pipefail
cd "$(dirname "$0")/.."
build="${BUILD_DIR:-build}"
if [ ! -d "$build" ]; then
  bash tools/setup.sh
fi
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release > /dev/null
cmake --build "$build" --target varelo varelo_screenshots -j"$(nproc)"
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1024x768x24" \
  bash -c 'openbox & wm=$!; sleep 1; "$0" docs; status=$?; kill $wm; exit $status' "$build/tools/varelo_screenshots"
