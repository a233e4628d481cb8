#!/bin/bash
# Removes a lab made by lab-up.sh: stops its elements and deletes its namespaces (and
# with them the bridge and the links).
#
#   sudo scripts/lab-down.sh [--lab NAME]      (default "tessovar")
#   sudo scripts/lab-down.sh --prefix PREFIX   every lab whose name starts with PREFIX
. "$(dirname "$0")/lab-common.sh"

labs=()
case "$1" in
    --lab) labs=("$2") ;;
    --prefix)
        [ -n "$2" ] || lab_fail "--prefix needs a value"
        for d in "$LAB_STATE_ROOT/$2"*; do [ -d "$d" ] && labs+=("$(basename "$d")"); done
        for f in /run/netns/"$2"*; do
            [ -e "$f" ] || continue
            name=$(basename "$f"); name=${name%-*}
            case " ${labs[*]} " in *" $name "*) ;; *) labs+=("$name") ;; esac
        done ;;
    -h|--help) sed -n '2,7p' "$0"; exit 0 ;;
    "") labs=(tessovar) ;;
    *) lab_fail "unknown option $1" ;;
esac
lab_need_root

for lab in "${labs[@]}"; do
    state=$(lab_state_dir "$lab")
    if [ -f "$state/sim.pid" ]; then
        pid=$(cat "$state/sim.pid")
        # Only the simulator this lab started (checked by its command line).
        if grep -q "$state/elements.conf" "/proc/$pid/cmdline" 2>/dev/null; then
            kill "$pid" 2>/dev/null
            for _ in $(seq 1 40); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
            kill -9 "$pid" 2>/dev/null
        fi
    fi
    namespaces=""
    [ -f "$state/namespaces" ] && namespaces=$(cat "$state/namespaces")
    for f in /run/netns/"$lab"-*; do
        [ -e "$f" ] || continue
        name=$(basename "$f")
        case "$name" in "$lab"-lan|"$lab"-nms|"$lab"-e[0-9]*) namespaces="$namespaces $name" ;; esac
    done
    # Programs still running inside the lab (an NMS, a test) go first.
    for ns in $namespaces; do
        [ -e "/run/netns/$ns" ] && ip netns pids "$ns" 2>/dev/null | xargs -r kill 2>/dev/null
    done
    for ns in $(echo "$namespaces" | tr ' ' '\n' | sort -u); do
        [ -e "/run/netns/$ns" ] && echo "netns del $ns"
    done | ip -batch - 2>/dev/null
    rm -rf "$state"
done
exit 0
