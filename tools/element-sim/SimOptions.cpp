#include "SimOptions.h"

#include <QFile>
#include <QHostAddress>
#include <QProcess>

namespace {

bool number(const QString& text, qint64 low, qint64 high, qint64* out) {
    bool ok = false;
    const qint64 v = text.startsWith(QLatin1String("0x")) ? text.mid(2).toLongLong(&ok, 16)
                                                          : text.toLongLong(&ok, 10);
    if (!ok || v < low || v > high)
        return false;
    *out = v;
    return true;
}

bool address(const QString& text) {
    const QHostAddress a(text);
    return a.protocol() == QAbstractSocket::IPv4Protocol && text.count(u'.') == 3;
}

} // namespace

namespace SimOptions {

QString usage() {
    return QStringLiteral(
        "element-sim: a simulated Network Element (headless)\n"
        "\n"
        "Element options:\n"
        "  --role encoder|decoder|N   role byte (default encoder)\n"
        "  --name TEXT                element name (16 characters on the wire)\n"
        "  --serial N                 serial number (32 bits, 0x.. allowed, negative allowed)\n"
        "  --firmware MAJOR.MINOR     firmware version (default 3.49)\n"
        "  --ip/--mask/--gw/--remote A.B.C.D   addresses in the record\n"
        "  --input/--type/--tx/--sfn/--buffer/--llo/--att/--sdm/--sdl/--sdt N   settings\n"
        "  --fault F                  misbehave: silent, late:MS, twice, corrupt:FIELD\n"
        "                             (input|type|tx|role|serial), short:N, keep:FIELD;\n"
        "                             add @discovery or @config to limit it (repeatable)\n"
        "  --netns NAME               make the sockets inside network namespace NAME\n"
        "  --bind A.B.C.D             local address of ports 2976/2977 (default all)\n"
        "  --iface NAME               interface that takes a new address sent by the NMS\n"
        "  --label TEXT               name used in the log (default the address)\n"
        "  --tone DB|off              peak level of the test tone in the audio level\n"
        "                             reports, in dBFS (default -6); off: silence\n"
        "  --tone-file PATH           read the tone (a level or off) from PATH at each\n"
        "                             request; --tone while PATH holds neither\n"
        "\n"
        "Run options:\n"
        "  --many FILE                one element per line (element options), # comments\n"
        "  --log FILE|-               log every datagram received and sent\n"
        "  --ready-file PATH          created once every element listens\n"
        "  --announce HOST            send the record once to HOST port 2976 and end\n"
        "  --flood KIND:N             send N datagrams to port 2976 as fast as possible and\n"
        "                             end; KIND short (0-54 random bytes), records (this\n"
        "                             element's feedback record), random (0-1500 bytes)\n"
        "  --to HOST                  where the flood goes (default 127.0.0.1)\n"
        "  --seed N                   the random flood's seed (default 1)\n"
        "  --burst MS                 hold discovery answers MS ms, then send all at once\n"
        "  -h, --help                 this text\n"
        "  --version                  the program's version\n");
}

bool parseElement(const QStringList& args, SimElementConfig* c, QString* error) {
    SimIdentity& id = c->identity;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString opt = args[i];
        if (i + 1 >= args.size()) {
            *error = QStringLiteral("%1 needs a value").arg(opt);
            return false;
        }
        const QString v = args[++i];
        qint64 n = 0;
        auto byteOpt = [&](quint8& field) {
            if (!number(v, 0, 255, &n))
                return false;
            field = quint8(n);
            return true;
        };
        auto addrOpt = [&](QString& field) {
            if (!address(v))
                return false;
            field = v;
            return true;
        };
        bool ok = true;
        if (opt == QLatin1String("--role")) {
            if (v == QLatin1String("encoder"))
                id.role = 1;
            else if (v == QLatin1String("decoder"))
                id.role = 2;
            else
                ok = byteOpt(id.role);
        } else if (opt == QLatin1String("--name")) {
            id.name = v;
        } else if (opt == QLatin1String("--serial")) {
            ok = number(v, -2147483648LL, 4294967295LL, &n);
            id.serial = quint32(n);
        } else if (opt == QLatin1String("--firmware")) {
            qint64 major = 0, minor = 0;
            ok = v.count(u'.') == 1 && number(v.section(u'.', 0, 0), 0, 255, &major) &&
                 number(v.section(u'.', 1), 0, 255, &minor);
            id.verMajor = quint8(major);
            id.verMinor = quint8(minor);
        } else if (opt == QLatin1String("--ip")) {
            ok = addrOpt(id.ip);
        } else if (opt == QLatin1String("--mask")) {
            ok = addrOpt(id.mask);
        } else if (opt == QLatin1String("--gw")) {
            ok = addrOpt(id.gw);
        } else if (opt == QLatin1String("--remote")) {
            ok = addrOpt(id.remote);
        } else if (opt == QLatin1String("--input")) {
            ok = byteOpt(id.input);
        } else if (opt == QLatin1String("--type")) {
            ok = byteOpt(id.type);
        } else if (opt == QLatin1String("--tx")) {
            ok = byteOpt(id.tx);
        } else if (opt == QLatin1String("--sfn")) {
            ok = byteOpt(id.sfn);
        } else if (opt == QLatin1String("--buffer")) {
            ok = byteOpt(id.buffer);
        } else if (opt == QLatin1String("--llo")) {
            ok = byteOpt(id.lowLatency);
        } else if (opt == QLatin1String("--att")) {
            ok = byteOpt(id.att);
        } else if (opt == QLatin1String("--sdm")) {
            ok = byteOpt(id.silMode);
        } else if (opt == QLatin1String("--sdl")) {
            ok = byteOpt(id.silLevel);
        } else if (opt == QLatin1String("--sdt")) {
            ok = byteOpt(id.silTime);
        } else if (opt == QLatin1String("--fault")) {
            SimFault f;
            ok = SimFault::parse(v, &f);
            c->faults.append(f);
        } else if (opt == QLatin1String("--netns")) {
            c->netns = v;
        } else if (opt == QLatin1String("--bind")) {
            ok = address(v);
            c->bindAddress = QHostAddress(v);
        } else if (opt == QLatin1String("--iface")) {
            c->interface = v;
        } else if (opt == QLatin1String("--label")) {
            c->label = v;
        } else if (opt == QLatin1String("--tone-file")) {
            c->toneFile = v;
        } else if (opt == QLatin1String("--tone")) {
            if (v == QLatin1String("off")) {
                c->toneDbfs = -1000;
            } else {
                c->toneDbfs = v.toDouble(&ok);
                ok = ok && c->toneDbfs <= 0;
            }
        } else {
            *error = QStringLiteral("unknown option %1").arg(opt);
            return false;
        }
        if (!ok) {
            *error = QStringLiteral("bad value for %1: %2").arg(opt, v);
            return false;
        }
    }
    return true;
}

bool parse(const QStringList& args, SimRunOptions* run, QString* error) {
    QStringList own;
    QString manyPath;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("-h") || a == QLatin1String("--help")) {
            run->help = true;
            return true;
        }
        if (a == QLatin1String("--version")) {
            run->version = true;
            return true;
        }
        const bool runOption = a == QLatin1String("--many") || a == QLatin1String("--log") ||
                               a == QLatin1String("--ready-file") || a == QLatin1String("--announce") ||
                               a == QLatin1String("--burst") || a == QLatin1String("--flood") ||
                               a == QLatin1String("--to") || a == QLatin1String("--seed");
        if (!runOption) {
            own.append(a);
            continue;
        }
        if (i + 1 >= args.size()) {
            *error = QStringLiteral("%1 needs a value").arg(a);
            return false;
        }
        const QString v = args[++i];
        if (a == QLatin1String("--many"))
            manyPath = v;
        else if (a == QLatin1String("--log"))
            run->logPath = v;
        else if (a == QLatin1String("--flood")) {
            run->flooding = true;
            if (!DatagramFlood::parse(v, &run->flood)) {
                *error = QStringLiteral("bad value for --flood: %1").arg(v);
                return false;
            }
        } else if (a == QLatin1String("--to")) {
            run->flood.to = QHostAddress(v);
            if (!address(v)) {
                *error = QStringLiteral("bad value for --to: %1").arg(v);
                return false;
            }
        } else if (a == QLatin1String("--seed")) {
            bool ok = false;
            run->flood.seed = v.toUInt(&ok);
            if (!ok) {
                *error = QStringLiteral("bad value for --seed: %1").arg(v);
                return false;
            }
        } else if (a == QLatin1String("--burst")) {
            bool ok = false;
            run->gatherMs = v.toInt(&ok);
            if (!ok || run->gatherMs < 0) {
                *error = QStringLiteral("bad value for --burst: %1").arg(v);
                return false;
            }
        } else if (a == QLatin1String("--ready-file"))
            run->readyPath = v;
        else
            run->announceHost = v;
    }
    if (manyPath.isEmpty() || !own.isEmpty()) {
        SimElementConfig c;
        if (!parseElement(own, &c, error))
            return false;
        run->elements.append(c);
    }
    if (!manyPath.isEmpty()) {
        QFile f(manyPath);
        if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) {
            *error = QStringLiteral("cannot read %1").arg(manyPath);
            return false;
        }
        int lineNo = 0;
        while (!f.atEnd()) {
            ++lineNo;
            const QString line = QString::fromUtf8(f.readLine()).trimmed();
            if (line.isEmpty() || line.startsWith(u'#'))
                continue;
            SimElementConfig c;
            if (!parseElement(QProcess::splitCommand(line), &c, error)) {
                *error = QStringLiteral("%1 line %2: %3").arg(manyPath).arg(lineNo).arg(*error);
                return false;
            }
            run->elements.append(c);
        }
    }
    return true;
}

} // namespace SimOptions
