#!/bin/sh
# The layer check itself: a clean tree passes; a wrong include of each kind fails with a
# line that names the file.
set -u
check="$(dirname "$0")/../../scripts/check-layers.py"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failures=0

tree() { # tree NAME: a small clean tree
    rm -rf "$tmp/$1"
    mkdir -p "$tmp/$1/src/core/a" "$tmp/$1/src/core/b" "$tmp/$1/src/views" "$tmp/$1/src/app" "$tmp/$1/tools/sim"
    printf '#pragma once\n#include <QString>\n' >"$tmp/$1/src/core/a/A.h"
    printf '#include "core/a/A.h"\n' >"$tmp/$1/src/core/b/B.h"
    printf '#include "core/b/B.h"\n#include <QWidget>\n' >"$tmp/$1/src/views/V.h"
    printf '#include "views/V.h"\n#include "W.h"\n' >"$tmp/$1/src/app/main.cpp"
    printf '#pragma once\n' >"$tmp/$1/src/app/W.h"
    printf '#include "core/a/A.h"\n' >"$tmp/$1/tools/sim/main.cpp"
}

expect() { # expect NAME STATUS PATTERN
    out=$(python3 "$check" --root "$tmp/$1" 2>&1)
    status=$?
    if [ "$status" != "$2" ] || ! printf '%s\n' "$out" | grep -q -- "$3"; then
        echo "FAIL $1: exit $status (wanted $2), output:"
        printf '%s\n' "$out"
        failures=$((failures + 1))
    fi
}

tree clean
expect clean 0 "keep the layers"

tree upward
printf '#include "views/V.h"\n' >>"$tmp/upward/src/core/b/B.h"
expect upward 1 'src/core/b/B.h:2: core includes the higher layer views'

tree widgets
printf '#include <QtWidgets/QLabel>\n' >>"$tmp/widgets/src/core/a/A.h"
expect widgets 1 'src/core/a/A.h:3: widget-free code includes the Qt Gui/Widgets header'

tree circle
printf '#include "core/b/B.h"\n' >>"$tmp/circle/src/core/a/A.h"
expect circle 1 'include circle between the folders core/a, core/b'

tree tool
printf '#include "views/V.h"\n' >>"$tmp/tool/tools/sim/main.cpp"
expect tool 1 'tools/sim/main.cpp:2: a widget-free tool includes views'

tree missing
printf '#include "core/c/Gone.h"\n' >>"$tmp/missing/src/app/main.cpp"
expect missing 1 'is not a file of src/'

[ "$failures" = 0 ] && echo "check-layers: every case as expected"
exit "$failures"
