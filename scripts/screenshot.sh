#!/bin/sh
# Makes the README's screenshot, docs/screenshots/main-window.png, from the real main
# window under Xvfb with three simulated elements (in a network namespace of its own, so
# nothing leaves the machine).
# Usage: scripts/screenshot.sh [BUILD_DIR]   (default build/dev, built when missing)
set -e
cd "$(dirname "$0")/.."
sh scripts/setup-debian.sh --tests x11-apps netpbm
build="${1:-build/dev}"
if [ ! -x "$build/tessovar-nms" ] || [ ! -x "$build/element-sim" ]; then
    cmake --preset dev >/dev/null
    cmake --build --preset dev --target tessovar-nms element-sim
fi
sh tests/desktop/run-desktop-test.sh scripts/screenshot.py --nms "$build/tessovar-nms" \
    --sim "$build/element-sim" --out docs/screenshots/main-window.png
