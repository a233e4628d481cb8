#include "ExporterOptions.h"

#include <QHostAddress>

namespace {

// ADDR:PORT with an IPv4 address, or [IPv6]:PORT; the port 1 to 65535.
bool validListen(const QString& text) {
    const qsizetype colon = text.lastIndexOf(u':');
    if (colon <= 0)
        return false;
    bool ok = false;
    const int port = text.mid(colon + 1).toInt(&ok);
    if (!ok || port < 1 || port > 65535)
        return false;
    QString host = text.left(colon);
    if (host.startsWith(u'[') && host.endsWith(u']'))
        return QHostAddress(host.mid(1, host.size() - 2)).protocol() ==
               QAbstractSocket::IPv6Protocol;
    return QHostAddress(host).protocol() == QAbstractSocket::IPv4Protocol;
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
        "  --listen ADDR:PORT   where /metrics is served (default 127.0.0.1:9711)\n"
        "  --interval SECONDS   how often every element is checked, 1 to 3600 (default 15)\n"
        "  --rate N             requests a second to the elements, at most, 1 to 100\n"
        "                       (default 20)\n"
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
        const bool takesValue = a == QLatin1String("--database") ||
                                a == QLatin1String("--listen") ||
                                a == QLatin1String("--interval") || a == QLatin1String("--rate");
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
            ok = validListen(v);
        } else if (a == QLatin1String("--interval")) {
            ok = number(v, 1, 3600, &out->intervalS);
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
