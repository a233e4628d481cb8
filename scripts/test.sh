#!/bin/sh
# Installs what is needed, builds and runs every test: unit, widgets (offscreen, each in a
# private network namespace) and the lab (network namespaces; skipped without root).
# Usage: scripts/test.sh [dev|asan]
set -e
cd "$(dirname "$0")/.."
preset="${1:-dev}"
sh scripts/setup-debian.sh --tests
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
ctest --preset "$preset" -j2
