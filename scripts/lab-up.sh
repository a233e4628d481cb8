#!/bin/bash
# Builds a LAN of simulated elements in network namespaces and starts them.
#
#   sudo scripts/lab-up.sh [--lab NAME] [--elements N] [--list FILE] [--station-known all|K,K..]
#                          [--burst MS] [--switch-answers-arp]
#
# --elements N   N elements with ready-made identities (encoder multicast, decoder,
#                encoder unicast, ...); default 3
# --list FILE    one element per line, with element-sim's element options (role, name,
#                serial, version, audio settings, faults); the lab gives each its
#                namespace, address and MAC.  Lines starting with # are skipped.
# --lab NAME     the lab's name (default "tessovar"); several labs can exist at once
# --burst MS     the elements hold their discovery answers MS ms and send them all at
#                once (benchmarks)
# --station-known all|K,K..
#                these elements know the NMS's MAC from the start (a permanent neighbour
#                entry), so they answer without asking for it by ARP
# --switch-answers-arp
#                the lab's switch answers the NMS's ARP requests for the elements itself
#                (ARP suppression, as switches of large networks do), instead of flooding
#                each request to every element: a software bridge does that flooding on
#                the sender's CPU, a thousand copies per request, which no real LAN
#                charges to the NMS
#
# Up to 240 elements share 10.77.0.0/24; up to 1020 share 10.77.0.0/20.
#
# The NMS runs in namespace <lab>-nms (scripts/lab-nms.sh); scripts/lab-down.sh removes
# everything again.  Nothing is changed outside the lab's own namespaces.
set -e
. "$(dirname "$0")/lab-common.sh"

lab=tessovar
count=3
list=""
burst=()
known=""
suppress=0
while [ $# -gt 0 ]; do
    case "$1" in
        --lab) lab=$2; shift 2 ;;
        --elements) count=$2; shift 2 ;;
        --list) list=$2; shift 2 ;;
        --burst) burst=(--burst "$2"); shift 2 ;;
        --station-known) known=$2; shift 2 ;;
        --switch-answers-arp) suppress=1; shift ;;
        -h|--help) sed -n '2,29p' "$0"; exit 0 ;;
        *) lab_fail "unknown option $1" ;;
    esac
done
lab_need_root
case "$lab" in *[!A-Za-z0-9_-]*|"") lab_fail "a lab name is letters, digits, - and _" ;; esac
state=$(lab_state_dir "$lab")
[ -e "$state" ] && lab_fail "lab $lab exists already (scripts/lab-down.sh --lab $lab)"
build=$(lab_build_dir)

# The element lines: given, or made up.
lines=()
if [ -n "$list" ]; then
    while IFS= read -r line || [ -n "$line" ]; do
        case "$line" in ''|'#'*) continue ;; esac
        lines+=("$line")
    done < "$list"
else
    for k in $(seq 1 "$count"); do
        case $((k % 3)) in
            1) lines+=("--role encoder --name \"STUDIO ENC $k\" --tx 1 --remote 239.77.0.1 --serial $((10000 + k))") ;;
            2) lines+=("--role decoder --name \"TX SITE DEC $k\" --remote 239.77.0.1 --serial $((10000 + k)) --firmware 4.2") ;;
            0) lines+=("--role encoder --name \"LINK ENC $k\" --tx 0 --remote $(lab_element_ip $((k - 1))) --serial $((10000 + k))") ;;
        esac
    done
fi
n=${#lines[@]}
[ "$n" -ge 1 ] && [ "$n" -le "$LAB_MAX_ELEMENTS" ] || lab_fail "between 1 and $LAB_MAX_ELEMENTS elements, not $n"
prefix=$(lab_prefix "$n")
mask=$(lab_mask "$n")
knows_station() { [ "$known" = all ] || case ",$known," in *",$1,"*) true ;; *) false ;; esac; }

mkdir -p "$state"
echo "$lab" > "$state/name"
# Whatever goes wrong from here on (a failed command or lab_fail), nothing is left behind.
lab_complete=0
cleanup_unless_complete() {
    [ "$lab_complete" = 1 ] || "$(dirname "$0")/lab-down.sh" --lab "$lab" >/dev/null 2>&1 || true
}
trap cleanup_unless_complete EXIT

lan=$lab-lan
nms=$lab-nms
{
    echo "netns add $lan"
    echo "netns add $nms"
    for k in $(seq 1 "$n"); do echo "netns add $lab-e$k"; done
} | ip -batch -
echo "$lan $nms $(for k in $(seq 1 "$n"); do printf '%s ' "$lab-e$k"; done)" > "$state/namespaces"

# The bridge and one veth link per namespace, made from the LAN side.
{
    echo "link add br0 type bridge"
    echo "link set br0 up"
    echo "link set lo up"
    echo "link add nms type veth peer name eth0 netns $nms"
    echo "link set nms master br0 up"
    for k in $(seq 1 "$n"); do
        echo "link add e$k type veth peer name eth0 netns $lab-e$k"
        echo "link set e$k master br0 up"
        [ "$suppress" = 1 ] && echo "link set e$k type bridge_slave neigh_suppress on"
    done
} | ip -n "$lan" -batch -
if [ "$suppress" = 1 ]; then
    # What the switch answers with, once every port is in: a port joining can change the
    # bridge's own address, and that empties its neighbour table.
    for k in $(seq 1 "$n"); do
        echo "neigh replace $(lab_element_ip "$k") lladdr $(lab_element_mac "$k") dev br0 nud permanent"
    done | ip -n "$lan" -batch -
    for k in $(seq 1 "$n"); do echo "fdb replace $(lab_element_mac "$k") dev e$k master static"; done |
        bridge -n "$lan" -batch -
fi

ip -n "$nms" -batch - <<EOT
link set lo up
link set eth0 address $LAB_NMS_MAC
addr add $LAB_NMS_IP/$prefix dev eth0
link set eth0 up
route add default dev eth0
EOT

: > "$state/elements.conf"
for k in $(seq 1 "$n"); do
    ns=$lab-e$k
    ip=$(lab_element_ip "$k")
    {
        echo "link set lo up"
        echo "link set eth0 address $(lab_element_mac "$k")"
        echo "addr add $ip/$prefix dev eth0"
        echo "link set eth0 up"
        knows_station "$k" && echo "neigh replace $LAB_NMS_IP lladdr $LAB_NMS_MAC dev eth0 nud permanent"
    } | ip -n "$ns" -batch -
    # The lab's part first; the line may not change the address or namespace.
    echo "--netns $ns --iface eth0 --label e$k --mask $mask --gw $LAB_NMS_IP ${lines[$((k - 1))]} --ip $ip" >> "$state/elements.conf"
    echo "e$k $ip $(lab_element_mac "$k")" >> "$state/addresses"
done

# One simulator process hosts every element; each element's sockets live in its own
# namespace.
rm -f "$state/ready"
setsid "$build/element-sim" --many "$state/elements.conf" "${burst[@]}" --log "$state/sim.log" \
    --ready-file "$state/ready" </dev/null >"$state/sim.out" 2>&1 &
echo $! > "$state/sim.pid"
for _ in $(seq 1 1200); do
    [ -s "$state/ready" ] && break
    kill -0 "$(cat "$state/sim.pid")" 2>/dev/null || { cat "$state/sim.out" >&2; lab_fail "element-sim did not start"; }
    sleep 0.05
done
[ -s "$state/ready" ] || lab_fail "element-sim did not get ready"

mkdir -p "$state/nms" "$state/config/Veltrana" "$state/runtime"
printf '[Tessovar]\nNMS%%20IP%%20Address=%s\n' "$LAB_NMS_IP" > "$state/config/Veltrana/Veltrana.conf"
chmod 700 "$state/runtime"
if [ -n "$SUDO_UID" ]; then
    chown -R "$SUDO_UID:${SUDO_GID:-$SUDO_UID}" "$state/nms" "$state/config" "$state/runtime"
fi
lab_complete=1
echo "lab $lab is up: NMS $LAB_NMS_IP in namespace $nms, $n elements:"
cat "$state/addresses" | sed 's/^/  /'
echo "start the NMS in it with: sudo scripts/lab-nms.sh --lab $lab"
