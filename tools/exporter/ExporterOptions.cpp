#include "ExporterOptions.h"

#include "core/audio/AudioAlarm.h"

namespace {

// A port as civetweb reads it, written plainly: decimal digits without a sign or a
// leading zero, 1 to 65535.
bool plainPort(const QString& text) {
    if (text.isEmpty() || text.size() > 5 || text.startsWith(u'0'))
        return false;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return text.toInt() <= 65535;
}

// A dotted-decimal IPv4 address of four parts, 0 to 255, without leading zeros (which
// some readers take as octal) and without the shorter forms ("2130706433").
bool dottedQuad(const QString& text) {
    const QStringList parts = text.split(u'.');
    if (parts.size() != 4)
        return false;
    for (const QString& p : parts) {
        if (p.isEmpty() || p.size() > 3 || (p.size() > 1 && p.startsWith(u'0')))
            return false;
        for (const QChar c : p) {
            if (c < u'0' || c > u'9')
                return false;
        }
        if (p.toInt() > 255)
            return false;
    }
    return true;
}

// ADDR:PORT with an IPv4 address.  The civetweb of Debian is built without IPv6, so an
// IPv6 address is refused here with its own message rather than failing at the listen.
QString listenProblem(const QString& text) {
    if (text.startsWith(u'['))
        return QStringLiteral("IPv6 listening addresses are not supported (the HTTP server "
                              "is built without IPv6): use an IPv4 address, e.g. "
                              "127.0.0.1:9711 or 0.0.0.0:9711");
    const qsizetype colon = text.lastIndexOf(u':');
    if (colon < 0)
        return QStringLiteral("expected ADDR:PORT, e.g. 127.0.0.1:9711");
    if (!dottedQuad(text.left(colon)))
        return QStringLiteral("the address must be an IPv4 address in dotted decimal, "
                              "e.g. 127.0.0.1");
    if (!plainPort(text.mid(colon + 1)))
        return QStringLiteral("the port must be a number from 1 to 65535, without sign or "
                              "leading zeros");
    return {};
}

bool number(const QString& text, int low, int high, int* out) {
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < low || v > high)
        return false;
    *out = v;
    return true;
}

} // namespace

QString ExporterOptions::usage() {
    return QStringLiteral(
        "Usage: tessovar-exporter --database PATH [options]\n"
        "Serves the state of the Tessovar elements of an element database (nms.ini) to\n"
        "Prometheus: /metrics on the listening address.\n"
        "\n"
        "  --database PATH      the element database to read (never written; read again\n"
        "                       when it changes)\n"
        "  --listen ADDR:PORT   where /metrics is served: an IPv4 address and a port\n"
        "                       (default 127.0.0.1:9711; IPv6 is not supported)\n"
        "  --web.config.file FILE\n"
        "                       TLS and basic authentication, in the exporter-toolkit\n"
        "                       format (tls_server_config, basic_auth_users)\n"
        "  --interval SECONDS   how often every element is checked, 1 to 3600 (default 15)\n"
        "  --rate N             requests a second to the elements, at most, 1 to 100\n"
        "                       (default 20)\n"
        "  --audio              also watch every encoder's audio: its level and silences\n"
        "                       (needs UDP port 2976, refused while a Tessovar NMS on\n"
        "                       this host holds it)\n"
        "  --audio-threshold DBFS  silent below this level, -100 to 0 (default -50)\n"
        "  --audio-hold SECONDS    silent after that long below it, 1 to 600 (default 15)\n"
        "  --audio-interval MS     one level request to each encoder, 200 to 10000\n"
        "                       (default 1000; at most 50 requests a second in all)\n"
        "  -h, --help           this text\n"
        "  --version            the program's version\n"
        "\n"
        "Each check pings every element and asks each one that answers for its\n"
        "statistics (\"GetStats\" to UDP port 2978, from local port 2978, which the\n"
        "exporter holds only while it collects them).  When another program holds the\n"
        "port (an open statistics window of Tessovar NMS on this host), the statistics\n"
        "are left out of that check and the port is tried again at the next one.\n");
}

bool ExporterOptions::parse(const QStringList& args, ExporterOptions* out, QString* error) {
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("-h") || a == QLatin1String("--help")) {
            out->help = true;
            return true;
        }
        if (a == QLatin1String("--version")) {
            out->version = true;
            return true;
        }
        if (a == QLatin1String("--audio")) {
            out->audio = true;
            continue;
        }
        const bool takesValue = a == QLatin1String("--database") ||
                                a == QLatin1String("--listen") ||
                                a == QLatin1String("--web.config.file") ||
                                a == QLatin1String("--interval") || a == QLatin1String("--rate") ||
                                a == QLatin1String("--audio-threshold") ||
                                a == QLatin1String("--audio-hold") ||
                                a == QLatin1String("--audio-interval");
        if (!takesValue) {
            *error = QStringLiteral("unknown option %1").arg(a);
            return false;
        }
        if (i + 1 >= args.size()) {
            *error = QStringLiteral("%1 needs a value").arg(a);
            return false;
        }
        const QString v = args[++i];
        bool ok = true;
        if (a == QLatin1String("--database")) {
            out->database = v;
            ok = !v.isEmpty();
        } else if (a == QLatin1String("--listen")) {
            out->listen = v;
            const QString problem = listenProblem(v);
            if (!problem.isEmpty()) {
                *error = QStringLiteral("bad value for --listen: %1: %2").arg(v, problem);
                return false;
            }
        } else if (a == QLatin1String("--web.config.file")) {
            out->webConfig = v;
            ok = !v.isEmpty();
        } else if (a == QLatin1String("--interval")) {
            ok = number(v, 1, 3600, &out->intervalS);
        } else if (a == QLatin1String("--audio-threshold")) {
            const double t = v.toDouble(&ok);
            ok = ok && t >= -100 && t <= 0;
            if (ok)
                out->audioThresholdDbfs = t;
        } else if (a == QLatin1String("--audio-hold")) {
            ok = number(v, 1, 600, &out->audioHoldS);
        } else if (a == QLatin1String("--audio-interval")) {
            ok = number(v, AudioLimits::kMinIntervalMs, AudioLimits::kMaxIntervalMs,
                        &out->audioIntervalMs);
        } else {
            ok = number(v, 1, 100, &out->rate);
        }
        if (!ok) {
            *error = QStringLiteral("bad value for %1: %2").arg(a, v);
            return false;
        }
    }
    if (out->database.isEmpty()) {
        *error = QStringLiteral("--database PATH is needed");
        return false;
    }
    return true;
}
