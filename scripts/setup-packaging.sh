#!/bin/sh
# Installs what building, checking and installing the Debian package needs on Debian 12,
# beside what scripts/setup-debian.sh installs for building.
set -e
PACKAGES="dpkg-dev file lintian desktop-file-utils appstream libcap2-bin gzip"
missing=""
for p in $PACKAGES; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
SUDO=""
[ "$(id -u)" = 0 ] || SUDO="sudo"
echo "Installing:$missing" >&2
$SUDO apt-get update -qq >&2
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $missing >&2
