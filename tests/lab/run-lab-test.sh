#!/bin/sh
# Runs one lab test (a program or a shell script) with the rights and the clean-up the lab
# needs.  Every lab the test makes is named after TESSOVAR_LAB_PREFIX, which is unique to
# this run, so parallel runs never meet; whatever the test leaves behind (also after a
# crash or a time-out kill of the test) is removed on the way out.
# Exits 77 (reported as skipped) when network namespaces cannot be made here.
#
#   run-lab-test.sh PROGRAM [ARGS...]
here=$(cd "$(dirname "$0")" && pwd)
scripts=$(cd "$here/../../scripts" && pwd)

if [ "$(id -u)" != 0 ]; then
    echo "SKIPPED: the lab tests need root (network namespaces, veth links, a bridge)" >&2
    exit 77
fi
if ! command -v ip >/dev/null 2>&1; then
    echo "SKIPPED: the lab tests need the ip command (iproute2)" >&2
    exit 77
fi
probe="tsvprobe$$"
if ! ip netns add "$probe" 2>/dev/null; then
    echo "SKIPPED: cannot create a network namespace here" >&2
    exit 77
fi
if ! ip -n "$probe" link add tsvb type bridge 2>/dev/null || ! ip -n "$probe" link add tsva type veth peer name tsvc 2>/dev/null; then
    ip netns del "$probe" 2>/dev/null
    echo "SKIPPED: cannot create bridges or veth links in a network namespace here" >&2
    exit 77
fi
ip netns del "$probe"

TESSOVAR_LAB_PREFIX="l$$x"
TESSOVAR_LAB_SCRIPTS="$scripts"
export TESSOVAR_LAB_PREFIX TESSOVAR_LAB_SCRIPTS
clean() { "$scripts/lab-down.sh" --prefix "$TESSOVAR_LAB_PREFIX" >/dev/null 2>&1; }
trap clean EXIT
trap 'exit 143' TERM
trap 'exit 130' INT
"$@"
rc=$?
exit $rc
