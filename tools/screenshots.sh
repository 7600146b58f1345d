#!/usr/bin/env bash
# Takes the README's screenshots (docs/*.png) of the real windows under Xvfb:
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
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1024x768x24" "$build/tools/varelo_screenshots" docs
