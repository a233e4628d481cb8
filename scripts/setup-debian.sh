#!/bin/sh
# Installs what building and testing Tessovar NMS needs on Debian 12.
set -e
PACKAGES="build-essential cmake ninja-build qt6-base-dev qt6-base-dev-tools libgl-dev
libgtest-dev libgmock-dev iproute2 util-linux procps python3 librsvg2-bin"
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
