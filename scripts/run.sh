#!/bin/sh
# Installs what is needed, builds Tessovar NMS and starts it.  Arguments go to the
# program (for example GPS or LL for the other editions).
set -e
cd "$(dirname "$0")/.."
sh scripts/setup-debian.sh
cmake --preset release >/dev/null
cmake --build --preset release
exec ./build/release/tessovar-nms "$@"
