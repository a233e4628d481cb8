#!/bin/bash
# The lab scripts themselves: what lab-up.sh builds, that the machine's own namespace is
# left as it was, that a failed start leaves nothing, and that lab-down.sh removes all.
# Run through run-lab-test.sh (root, unique TESSOVAR_LAB_PREFIX, clean-up on exit).
scripts=${TESSOVAR_LAB_SCRIPTS:?run through run-lab-test.sh}
lab=${TESSOVAR_LAB_PREFIX}s
failures=0
check() { # description, command...
    local what=$1; shift
    if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; failures=$((failures + 1)); fi
}
host_links_before=$(ip -o link show | awk -F': ' '{print $2}' | sort)
host_addrs_before=$(ip -o -4 addr show | sort)

list=$(mktemp)
trap 'rm -f "$list"' EXIT
cat > "$list" <<'EOT'
# two elements
--role encoder --name "ENC ONE" --serial 7
--role decoder --name "DEC TWO" --serial 8
EOT
check "lab-up builds the lab" bash "$scripts/lab-up.sh" --lab "$lab" --list "$list"
state=/run/tessovar-lab/$lab
for ns in "$lab-lan" "$lab-nms" "$lab-e1" "$lab-e2"; do
    check "namespace $ns exists" test -e "/run/netns/$ns"
done
check "element 1 has its MAC" bash -c "ip -n $lab-e1 link show eth0 | grep -q 'link/ether 02:54:00:01:00:01'"
check "element 2 has its MAC" bash -c "ip -n $lab-e2 link show eth0 | grep -q 'link/ether 02:54:00:01:00:02'"
check "element 1 has 10.77.0.11/24" bash -c "ip -n $lab-e1 -4 addr show eth0 | grep -q 'inet 10.77.0.11/24'"
check "the NMS side has 10.77.0.1/24" bash -c "ip -n $lab-nms -4 addr show eth0 | grep -q 'inet 10.77.0.1/24'"
check "both links and the NMS are on the bridge" bash -c "[ \$(ip -n $lab-lan link show master br0 | grep -c '^[0-9]') = 3 ]"
check "the simulator runs" bash -c "kill -0 \$(cat $state/sim.pid)"
check "the simulator hosts two elements" grep -qx 2 "$state/ready"
check "element 1 listens on 1901, 2976 and 2977 in its namespace" \
    bash -c "ip netns exec $lab-e1 ss -uln | grep -q ':1901 ' && ip netns exec $lab-e1 ss -uln | grep -q ':2976 ' && ip netns exec $lab-e1 ss -uln | grep -q ':2977 '"
check "nothing listens in the NMS namespace" bash -c "! ip netns exec $lab-nms ss -uln | grep -q ':29'"
if command -v ping >/dev/null 2>&1; then
    check "the NMS side reaches element 2 over the bridge" ip netns exec "$lab-nms" ping -c 1 -W 2 10.77.0.12 >/dev/null
    check "and then knows its MAC" bash -c "ip netns exec $lab-nms cat /proc/net/arp | grep -q '10.77.0.12 .*02:54:00:01:00:02'"
fi
check "a second lab of the same name is refused" bash -c "! bash $scripts/lab-up.sh --lab $lab --elements 1 2>/dev/null"
check "the machine's own links are unchanged" test "$(ip -o link show | awk -F': ' '{print $2}' | sort)" = "$host_links_before"
check "the machine's own addresses are unchanged" test "$(ip -o -4 addr show | sort)" = "$host_addrs_before"

pid=$(cat "$state/sim.pid")
check "lab-down succeeds" bash "$scripts/lab-down.sh" --lab "$lab"
check "no namespace of the lab is left" bash -c "! ls /run/netns | grep -q '^$lab-'"
check "the simulator has ended" bash -c "! kill -0 $pid 2>/dev/null"
check "the state folder is gone" test ! -e "$state"

# A simulator that cannot start (a bad element line) leaves nothing behind.
echo "--role nonsense" > "$list"
check "lab-up refuses a bad element line" bash -c "! bash $scripts/lab-up.sh --lab ${lab}b --list $list 2>/dev/null"
check "and leaves no namespace" bash -c "! ls /run/netns | grep -q '^${lab}b-'"
check "and no state" test ! -e "/run/tessovar-lab/${lab}b"

# lab-down also cleans a lab whose simulator died.
bash "$scripts/lab-up.sh" --lab "${lab}c" --elements 1 >/dev/null
kill -9 "$(cat "/run/tessovar-lab/${lab}c/sim.pid")"
check "lab-down cleans a lab whose simulator died" bash "$scripts/lab-down.sh" --lab "${lab}c"
check "and leaves no namespace" bash -c "! ls /run/netns | grep -q '^${lab}c-'"

[ "$failures" = 0 ] && echo "all checks passed" || echo "$failures checks failed"
exit $((failures > 0))
