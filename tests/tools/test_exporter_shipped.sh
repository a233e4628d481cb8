#!/bin/sh
# What the package ships for tessovar-exporter, checked as installed: the files of a
# "cmake --install" into a scratch folder (as the package lays them out), then
#  - promtool check config and check rules on the example configuration and rules, in the
#    folder they are installed to;
#  - systemd-analyze verify on the unit (any complaint fails), with its command and manual
#    page found where they were installed;
#  - the Grafana dashboard is JSON with a data-source variable used by every panel;
#  - the installed exporter, serving a database of one loopback element: its landing page
#    names its version and links to /metrics; promtool check metrics on a scrape taken
#    after a complete check; an IPv6 listening address is refused at once; over TLS from
#    a web configuration file, with the OpenSSL libraries it installs for civetweb.
# Runs in a private network namespace (run-in-netns.sh).  Usage: test_exporter_shipped.sh BUILD
set -u
build=$1
work=$(mktemp -d)
pid=""
trap '[ -z "$pid" ] || kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }
for tool in promtool systemd-analyze curl; do
    command -v $tool >/dev/null || { echo "SKIPPED: $tool is not installed (scripts/setup-debian.sh --tests)" >&2; exit 77; }
done
DESTDIR="$work/root" cmake --install "$build" --prefix /usr >"$work/install.log" 2>&1 ||
    { cat "$work/install.log" >&2; fail "cmake --install"; }
root="$work/root"
examples="$root/usr/share/doc/tessovar-nms/examples"
(cd "$examples" && promtool check config prometheus.yml && promtool check rules tessovar-alerts.yml) ||
    fail "promtool on the installed examples"

unit="$root/lib/systemd/system/tessovar-exporter.service"
[ -f "$unit" ] || fail "no unit installed"
grep -q '^MemoryMax=' "$unit" || fail "the unit has no MemoryMax="
sed "s#/usr/bin/#$root/usr/bin/#" "$unit" >"$work/tessovar-exporter.service"
out=$(MANPATH="$root/usr/share/man" systemd-analyze verify "$work/tessovar-exporter.service" 2>&1)
[ -z "$out" ] || fail "systemd-analyze verify: $out"

python3 - "$examples/tessovar-elements.json" <<'PY' || fail "the dashboard"
import json, sys
d = json.load(open(sys.argv[1]))
assert any(v["type"] == "datasource" and v["query"] == "prometheus" for v in d["templating"]["list"])
for p in d["panels"]:
    if p["type"] != "row":
        assert p["datasource"]["uid"] == "${datasource}", p["title"]
        assert p["targets"] and all(t["datasource"]["uid"] == "${datasource}" for t in p["targets"]), p["title"]
PY

exporter="$root/usr/bin/tessovar-exporter"
# Its RUNPATH names the installed folder of its own libraries; here they are under $root.
private=$(find "$root/usr/lib" -type d -name tessovar-nms)
[ -f "$private/libssl.so" ] && [ -f "$private/libcrypto.so" ] || fail "no private OpenSSL libraries"
export LD_LIBRARY_PATH="$private"
status=0
"$exporter" --database "$work/nms.ini" --listen '[::1]:9711' 2>"$work/ipv6.log" || status=$?
[ "$status" = 2 ] && grep -q "IPv6 listening addresses are not supported" "$work/ipv6.log" ||
    fail "an IPv6 listening address was not refused: $(cat "$work/ipv6.log")"

printf '[0011223344A1]\r\nNAME=LOOP\r\nIP=127.0.0.1\r\nSN=42\r\n' >"$work/nms.ini"
"$exporter" --database "$work/nms.ini" --listen 127.0.0.1:9711 --interval 1 2>"$work/exporter.log" &
pid=$!
checked=""
for _ in $(seq 100); do
    if curl -sf http://127.0.0.1:9711/metrics >"$work/metrics" &&
        grep -q '^tessovar_exporter_checks_total [1-9]' "$work/metrics"; then
        checked=yes
        break
    fi
    sleep 0.1
done
[ -n "$checked" ] || fail "no complete check in 10 s: $(cat "$work/exporter.log")"
promtool check metrics <"$work/metrics" || fail "promtool check metrics"
grep -q '^tessovar_element_up{mac="00:11:22:33:44:A1"} 1$' "$work/metrics" || fail "element not up"
curl -sf http://127.0.0.1:9711/ >"$work/landing" || fail "no landing page"
version=$("$exporter" --version | cut -d' ' -f2)
grep -q "tessovar-exporter $version" "$work/landing" && grep -q 'href="/metrics"' "$work/landing" ||
    fail "the landing page: $(cat "$work/landing")"
code=$(curl -s -o /dev/null -w '%{http_code}' http://127.0.0.1:9711/other)
[ "$code" = 404 ] || fail "/other answered $code"
kill "$pid"
wait "$pid"
pid=""

openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 1 \
    -subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1 \
    -keyout "$work/server.key" -out "$work/server.crt" 2>/dev/null || fail "openssl req"
printf 'tls_server_config:\n  cert_file: server.crt\n  key_file: server.key\n' >"$work/web.yml"
"$exporter" --database "$work/nms.ini" --web.config.file "$work/web.yml" 2>"$work/tls.log" &
pid=$!
served=""
for _ in $(seq 100); do
    curl -sf --cacert "$work/server.crt" https://127.0.0.1:9711/metrics >/dev/null && { served=yes; break; }
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
[ -n "$served" ] || fail "no TLS: $(cat "$work/tls.log")"
echo "the shipped exporter files pass promtool, systemd-analyze, a real scrape and TLS"
