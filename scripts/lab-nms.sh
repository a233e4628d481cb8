#!/bin/bash
# Runs Tessovar NMS inside a lab made by lab-up.sh, with its real window on your display.
#
#   sudo scripts/lab-nms.sh [--lab NAME] [-- program arguments, e.g. GPS or LL]
#
# The program talks to the lab's elements from 10.77.0.1; its nms.ini and settings are
# the lab's own (in the lab's state folder), so your own database is not touched.  When
# started through sudo it runs as you again inside the lab.
. "$(dirname "$0")/lab-common.sh"

lab=tessovar
while [ $# -gt 0 ]; do
    case "$1" in
        --lab) lab=$2; shift 2 ;;
        --) shift; break ;;
        -h|--help) sed -n '2,9p' "$0"; exit 0 ;;
        *) break ;;
    esac
done
lab_need_root
state=$(lab_state_dir "$lab")
[ -d "$state" ] || lab_fail "no lab $lab: start one with scripts/lab-up.sh --lab $lab"
build=$(lab_build_dir)
[ -x "$build/tessovar-nms" ] || lab_fail "$build/tessovar-nms is not built"

wayland=""
if [ -n "$WAYLAND_DISPLAY" ]; then
    case "$WAYLAND_DISPLAY" in /*) wayland=$WAYLAND_DISPLAY ;; *) wayland=${XDG_RUNTIME_DIR:-/run/user/${SUDO_UID:-0}}/$WAYLAND_DISPLAY ;; esac
fi
xauth=${XAUTHORITY:-}
if [ -z "$xauth" ] && [ -n "$SUDO_USER" ]; then
    xauth=$(getent passwd "$SUDO_USER" | cut -d: -f6)/.Xauthority
fi
[ -n "$DISPLAY$wayland$QT_QPA_PLATFORM" ] || lab_fail "no DISPLAY: run it from your desktop session"

as_user=()
if [ -n "$SUDO_UID" ] && [ "$SUDO_UID" != 0 ]; then
    as_user=(setpriv --reuid="$SUDO_UID" --regid="${SUDO_GID:-$SUDO_UID}" --init-groups)
fi
exec ip netns exec "$lab-nms" "${as_user[@]}" env \
    DISPLAY="$DISPLAY" XAUTHORITY="$xauth" WAYLAND_DISPLAY="$wayland" \
    QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-}" \
    TESSOVAR_NMS_DATABASE_DIR="$state/nms" XDG_CONFIG_HOME="$state/config" \
    XDG_RUNTIME_DIR="$state/runtime" HOME="${HOME:-/root}" \
    TESSOVAR_MESSAGE_LOG="${TESSOVAR_MESSAGE_LOG:-}" \
    TESSOVAR_MESSAGE_ANSWER="${TESSOVAR_MESSAGE_ANSWER:-}" \
    "$build/tessovar-nms" "$@"
