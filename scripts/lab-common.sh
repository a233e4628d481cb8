# Shared by the lab scripts (sourced).  A lab is a LAN made of network namespaces:
#   <lab>-lan   holds the bridge br0 (so nothing is added to the machine's own namespace)
#   <lab>-nms   the NMS side: eth0 10.77.0.1, MAC 02:54:00:00:00:01
#   <lab>-eK    element K: eth0 10.77.B.(10+I) with B = (K-1)/240 and I = (K-1)%240 + 1,
#               MAC 02:54:00:01:HH:LL; elements 1 to 240 are 10.77.0.11 to 10.77.0.250
# A lab of up to 240 elements is one /24; a larger one (up to 1020: the bridge takes 1024
# ports) is one /20 for every member.  The private subnet exists only inside these
# namespaces.

LAB_NMS_IP=10.77.0.1
LAB_NMS_MAC=02:54:00:00:00:01
LAB_MAX_ELEMENTS=1020
LAB_STATE_ROOT=${TESSOVAR_LAB_STATE_ROOT:-/run/tessovar-lab}

lab_fail() { echo "lab: $*" >&2; exit 1; }

lab_need_root() {
    [ "$(id -u)" = 0 ] || lab_fail "needs root (network namespaces and veth links): run it with sudo"
    command -v ip >/dev/null 2>&1 || lab_fail "needs the ip command (Debian package iproute2)"
}

lab_state_dir() { echo "$LAB_STATE_ROOT/$1"; }

lab_element_ip() { echo "10.77.$((($1 - 1) / 240)).$((11 + ($1 - 1) % 240))"; }

# The prefix length and mask of a lab of N elements.
lab_prefix() { if [ "$1" -le 240 ]; then echo 24; else echo 20; fi; }
lab_mask() { if [ "$1" -le 240 ]; then echo 255.255.255.0; else echo 255.255.240.0; fi; }

lab_element_mac() { printf '02:54:00:01:%02x:%02x\n' $(($1 / 256)) $(($1 % 256)); }

# The element-sim and tessovar-nms programs: from TESSOVAR_BUILD_DIR, else the newest build.
lab_build_dir() {
    if [ -n "$TESSOVAR_BUILD_DIR" ]; then echo "$TESSOVAR_BUILD_DIR"; return; fi
    root=$(cd "$(dirname "$0")/.." && pwd)
    for d in "$root/build/release" "$root/build/dev" "$root/build/asan"; do
        [ -x "$d/element-sim" ] && { echo "$d"; return; }
    done
    lab_fail "no build found: run 'cmake --preset release && cmake --build --preset release' first"
}
