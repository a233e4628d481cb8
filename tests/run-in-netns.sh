#!/bin/sh
# Runs a test in a network namespace of its own with only loopback up, so its fixed UDP
# ports never collide with another test or program and no datagram leaves the machine.
# Exits 77 (reported as skipped) when no namespace can be made here.
if [ "$(id -u)" = 0 ]; then
    ns="unshare --net"
else
    ns="unshare --net --map-root-user"
fi
if ! $ns true 2>/dev/null; then
    echo "SKIPPED: cannot create a network namespace here (needs root or user namespaces)" >&2
    exit 77
fi
exec $ns -- sh -c 'ip link set lo up || { echo "SKIPPED: cannot bring loopback up" >&2; exit 77; }; exec "$@"' sh "$@"
