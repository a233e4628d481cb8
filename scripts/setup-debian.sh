#!/bin/sh
# Installs what building and testing Tessovar NMS needs on Debian 12, and any further
# packages named as arguments.  The desktop tests run the program under Xvfb and read it
# through the accessibility bus (AT-SPI) with the system Python.
set -e
PACKAGES="build-essential cmake ninja-build qt6-base-dev qt6-base-dev-tools libgl-dev
libgtest-dev libgmock-dev iproute2 util-linux procps python3 librsvg2-bin
xvfb at-spi2-core python3-pyatspi gir1.2-atspi-2.0 dbus-x11 $*"
missing=""
for p in $PACKAGES; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
SUDO=""
[ "$(id -u)" = 0 ] || SUDO="sudo"
echo "Installing:$missing"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $missing
