#!/bin/sh
# Installs what building Tessovar NMS needs on Debian 12; with --tests also what the tests
# need, and any further packages named as arguments.  The desktop tests run the program
# under Xvfb and read it through the accessibility bus (AT-SPI) with the system Python;
# the lab test of the exporter runs a real Prometheus server.
# Usage: scripts/setup-debian.sh [--tests] [PACKAGE ...]
set -e
PACKAGES="build-essential cmake ninja-build qt6-base-dev qt6-base-dev-tools libgl-dev
librsvg2-bin prometheus-cpp-dev libsqlite3-dev qt6-svg-dev qt6-charts-dev libyaml-cpp-dev
libssl-dev libcivetweb-dev libcrypt-dev"
if [ "$1" = "--tests" ]; then
    shift
    PACKAGES="$PACKAGES libgtest-dev libgmock-dev iproute2 util-linux procps python3 prometheus
xvfb at-spi2-core python3-pyatspi gir1.2-atspi-2.0 dbus-x11 x11-utils sqlite3 openssl systemd curl"
fi
PACKAGES="$PACKAGES $*"
missing=""
for p in $PACKAGES; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
SUDO=""
[ "$(id -u)" = 0 ] || SUDO="sudo"
echo "Installing:$missing"
$SUDO apt-get update -qq
# The prometheus package is here for the lab test, which starts its own server inside a
# lab namespace: the package's service must not start (listening on the machine's
# network) nor come up at boot.  policy-rc.d is Debian's way to keep an installation
# from starting services; it is put in place only when none is there.
policy=""
case " $missing " in *" prometheus "*)
    if [ ! -e /usr/sbin/policy-rc.d ]; then
        printf '#!/bin/sh\nexit 101\n' | $SUDO tee /usr/sbin/policy-rc.d >/dev/null
        $SUDO chmod 755 /usr/sbin/policy-rc.d
        policy=yes
    fi ;;
esac
status=0
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $missing || status=$?
if [ -n "$policy" ]; then
    $SUDO rm -f /usr/sbin/policy-rc.d
    case " $missing " in *" prometheus "*)
        if command -v systemctl >/dev/null 2>&1; then
            $SUDO systemctl disable prometheus.service >/dev/null 2>&1 || true
        fi ;;
    esac
fi
exit $status
