#!/bin/sh
# Checks the Debian package as an operator meets it: validates what it holds
# (desktop-file-validate, appstreamcli, lintian without errors), installs it with apt-get,
# starts the installed program offscreen in a private network namespace (nothing leaves
# the machine), sees its main window come up and end cleanly on SIGTERM, and removes the
# package again.  Needs root (apt-get, the namespace).
#
#   sudo scripts/check-package.sh [tessovar-nms_*.deb]     (default: made by package.sh)
set -eu
cd "$(dirname "$0")/.."
fail() { echo "check-package: $*" >&2; exit 1; }
[ "$(id -u)" = 0 ] || fail "run it as root (it installs the package)"
deb=${1:-$(sh scripts/package.sh)}
case "$deb" in /*) ;; *) deb="$(pwd)/$deb" ;; esac
[ -f "$deb" ] || fail "no package $deb"
sh scripts/setup-packaging.sh

work=$(mktemp -d)
installed=""
cleanup() {
    [ -z "$installed" ] || DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq tessovar-nms >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT

echo "== validating $deb"
dpkg-deb -x "$deb" "$work/tree"
id=com.veltrana.TessovarNMS
desktop-file-validate "$work/tree/usr/share/applications/$id.desktop"
appstreamcli validate --no-net "$work/tree/usr/share/metainfo/$id.metainfo.xml"
status=0
lintian --fail-on error --display-level ">=warning" "$deb" >"$work/lintian.log" 2>&1 || status=$?
cat "$work/lintian.log"
[ "$status" = 0 ] || fail "lintian found errors"

echo "== installing"
installed=yes
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >"$work/apt.log" 2>&1 ||
    { cat "$work/apt.log" >&2; fail "apt-get install failed"; }
program=$(command -v tessovar-nms) || fail "tessovar-nms is not on the PATH"
[ "$program" = /usr/bin/tessovar-nms ] || fail "tessovar-nms runs from $program"
if getcap "$program" | grep -q cap_net_raw; then
    echo "ping right granted: $(getcap "$program")"
else
    grep -q "could not be given the raw-socket capability" "$work/apt.log" ||
        fail "no ping right and no note about it"
    echo "ping right not granted; the installation said so:"
    grep -A4 "raw-socket capability" "$work/apt.log"
fi

echo "== the exporter's files as installed"
examples=/usr/share/doc/tessovar-nms/examples
(cd "$examples" && promtool check config prometheus.yml && promtool check rules tessovar-alerts.yml) ||
    fail "promtool on the installed examples"
out=$(systemd-analyze verify /lib/systemd/system/tessovar-exporter.service 2>&1)
[ -z "$out" ] || fail "systemd-analyze verify: $out"
# TLS from the installed package: civetweb loads OpenSSL at run time by the names
# libssl.so and libcrypto.so; the exporter's own libraries of those names must be the
# ones it gets (not libssl-dev's, which lack what civetweb asks for).
openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 1 \
    -subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1 \
    -keyout "$work/server.key" -out "$work/server.crt" 2>/dev/null || fail "openssl req"
printf 'tls_server_config:\n  cert_file: server.crt\n  key_file: server.key\n' >"$work/web.yml"
printf '[0011223344A1]\r\nIP=127.0.0.1\r\n' >"$work/exporter.ini"
LD_DEBUG=libs unshare --net sh -s "$work" <<'INSIDE' 2>"$work/exporter-tls.log" || { cat "$work/exporter-tls.log" >&2; fail "the installed exporter does not serve over TLS"; }
ip link set lo up
tessovar-exporter --database "$1/exporter.ini" --web.config.file "$1/web.yml" &
pid=$!
ok=""
for _ in $(seq 100); do
    curl -sf --cacert "$1/server.crt" https://127.0.0.1:9711/metrics >/dev/null && { ok=yes; break; }
    sleep 0.1
done
kill "$pid"
wait "$pid"
[ -n "$ok" ]
INSIDE
echo "TLS served; OpenSSL as loaded:"
grep -o 'init: [^ ]*lib\(ssl\|crypto\)[^ ]*' "$work/exporter-tls.log" | sort -u
grep -q 'init: /usr/lib/[^ ]*/tessovar-nms/libssl.so$' "$work/exporter-tls.log" ||
    fail "the exporter did not load its own libssl.so"

echo "== starting the installed program"
# The operator's own folders: settings (notice acknowledged), and one element in the
# per-user database, where an installed copy keeps it.
home="$work/home"
mkdir -p "$home/config/Veltrana" "$home/data/Veltrana/Tessovar NMS" "$home/runtime"
chmod 700 "$home/runtime"
printf '[Tessovar]\nEULA1=1\nNMS%%20IP%%20Address=127.0.0.1\n' >"$home/config/Veltrana/Veltrana.conf"
printf '[001122334455]\r\nNAME=STUDIO\r\nROLE=1\r\n' >"$home/data/Veltrana/Tessovar NMS/nms.ini"
: >"$work/messages.log"
env -u TESSOVAR_NMS_DATABASE_DIR -u TESSOVAR_MESSAGE_ANSWER HOME="$home" \
    XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data" XDG_RUNTIME_DIR="$home/runtime" \
    QT_QPA_PLATFORM=offscreen TESSOVAR_MESSAGE_LOG="$work/messages.log" \
    unshare --net sh -s "$program" <<'INSIDE' || fail "the installed program did not come up and end cleanly"
set -u
ip link set lo up
"$1" &
pid=$!
# The main window is shown right after the management port 2976 (0BA0) is bound, in the
# same step of start-up.
up=""
for _ in $(seq 200); do
    grep -q ":0BA0 " /proc/net/udp && { up=yes; break; }
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
[ -n "$up" ] || { echo "the main window did not come up" >&2; kill -KILL "$pid" 2>/dev/null; exit 1; }
echo "main window up (port 2976 bound), pid $pid"
kill -TERM "$pid"
status=0
wait "$pid" || status=$?
echo "ended with status $status"
[ "$status" = 0 ] && ! grep -q ":0BA0 " /proc/net/udp
INSIDE
[ ! -s "$work/messages.log" ] || { cat "$work/messages.log" >&2; fail "the program showed messages"; }
[ ! -e "$home/runtime/tessovar-nms.lock" ] || fail "the lock was left behind"
[ -z "$(ls -A /usr/bin | grep -e '^nms\.ini' -e '^\.nms')" ] || fail "the program wrote beside itself in /usr/bin"

echo "== removing"
DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq tessovar-nms >/dev/null
installed=""
[ ! -e /usr/bin/tessovar-nms ] || fail "purge left /usr/bin/tessovar-nms"
echo "check-package: the package validates, installs, runs and is removed cleanly"
