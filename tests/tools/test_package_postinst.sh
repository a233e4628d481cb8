#!/bin/sh
# The package's maintainer script grants the ping right, and never fails the
# installation when it cannot: with setcap that works, fails (a file system without
# file capabilities) or is missing, and when dpkg calls it for something else.
# Usage: test_package_postinst.sh CONFIGURED-POSTINST INSTALLED-PROGRAM
postinst=$1
program=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
faults=0
# setcap stand-ins: record the call, and succeed or fail.
mkdir "$work/ok" "$work/fails" "$work/none"
printf '#!/bin/sh\necho "$*" >>"%s/calls"\n' "$work" >"$work/ok/setcap"
printf '#!/bin/sh\necho "$*" >>"%s/calls"\necho "Operation not supported" >&2\nexit 1\n' "$work" >"$work/fails/setcap"
chmod +x "$work/ok/setcap" "$work/fails/setcap"
# case: setcap folder, argument, expected setcap call, expected words of the note (empty: no note)
while IFS='|' read -r bin arg call note; do
    [ -z "$call" ] || call="$call $program"
    rm -f "$work/calls"
    status=0
    PATH="$work/$bin:/usr/bin:/bin" sh "$postinst" "$arg" >"$work/out" 2>&1 || status=$?
    got_call=$(cat "$work/calls" 2>/dev/null)
    problem=""
    [ "$status" = 0 ] || problem="exit status $status"
    [ "$got_call" = "$call" ] || problem="$problem; setcap called with '$got_call', not '$call'"
    if [ -n "$note" ]; then
        grep -q "$note" "$work/out" || problem="$problem; no note with '$note'"
    else
        [ ! -s "$work/out" ] || problem="$problem; unexpected output"
    fi
    if [ -n "$problem" ]; then
        echo "FAIL: setcap $bin, postinst $arg: $problem" && cat "$work/out"
        faults=$((faults + 1))
    fi
done <<'CASES'
ok|configure|cap_net_raw+ep|
fails|configure|cap_net_raw+ep|file system probably does not keep file capabilities
none|configure||setcap (package libcap2-bin) is not installed
ok|abort-upgrade||
CASES
[ "$faults" = 0 ] && echo "4 passed, 0 failed" || { echo "$((4 - faults)) passed, $faults failed"; exit 1; }
