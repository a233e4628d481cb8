#!/bin/sh
# The desktop tier: runs a test script with the system Python (it needs gi and AT-SPI,
# which a PATH python3 from elsewhere may lack) in a network namespace of its own and a
# D-Bus session of its own; the script starts Xvfb, simulated elements on loopback
# addresses and the real program, and reads the program through AT-SPI.
# Exits 77 (reported as skipped) with the reason when something it needs is missing.
# Usage: run-desktop-test.sh SCRIPT [ARGUMENTS]
skip() {
    echo "SKIPPED: $* (scripts/setup-debian.sh --tests installs what the desktop tests need)" >&2
    exit 77
}
for tool in Xvfb dbus-run-session dbus-update-activation-environment xwininfo xprop; do
    command -v "$tool" >/dev/null 2>&1 || skip "$tool is missing"
done
[ -x /usr/libexec/at-spi-bus-launcher ] || skip "the accessibility bus (at-spi2-core) is missing"
/usr/bin/python3 -c 'import gi; gi.require_version("Atspi", "2.0"); from gi.repository import Atspi' 2>/dev/null ||
    skip "/usr/bin/python3 cannot load AT-SPI (python3-gi, gir1.2-atspi-2.0)"
# Xvfb's display socket is a file in /tmp/.X11-unix as well as an abstract socket of the
# network namespace: two sessions in two namespaces both take display :0, the second
# replaces the first one's socket file and the first to end removes the other's.  Each
# session therefore gets a folder of its own in a private mount namespace.  On a machine
# that never ran an X server the folder itself may be missing: it is made as x11-common
# makes it at boot.
exec "$(dirname "$0")/../run-in-netns.sh" unshare --mount sh -c '
    [ -d /tmp/.X11-unix ] || { mkdir -p /tmp/.X11-unix && chmod 1777 /tmp/.X11-unix; } ||
        { echo "SKIPPED: /tmp/.X11-unix is missing and cannot be made" >&2; exit 77; }
    mount -t tmpfs -o mode=1777 tessovar-x11 /tmp/.X11-unix ||
        { echo "SKIPPED: cannot give the session an X socket folder of its own" >&2; exit 77; }
    exec dbus-run-session -- /usr/bin/python3 "$@"' sh "$@"
