#include "SimElement.h"

#include "AnswerBurst.h"
#include "SimSocket.h"

#include <QNetworkDatagram>
#include <QProcess>
#include <QTextStream>
#include <QTimer>
#include <QUdpSocket>

#include <bit>

namespace {
const QByteArray kDiscoveryRequest("IPMPXSTL VELTRANA PAGING REQUEST");
constexpr quint16 kDiscoveryPort = 1901;
constexpr quint16 kConfigPort = 2976;
constexpr quint16 kShortPort = 2977;
} // namespace

bool SimFault::parse(const QString& text, SimFault* f) {
    QString body = text;
    f->scope = Both;
    const qsizetype at = body.indexOf(u'@');
    if (at >= 0) {
        const QString scope = body.mid(at + 1);
        if (scope == QLatin1String("discovery"))
            f->scope = Discovery;
        else if (scope == QLatin1String("config"))
            f->scope = Config;
        else
            return false;
        body = body.left(at);
    }
    const QString kind = body.section(u':', 0, 0);
    const QString arg = body.section(u':', 1);
    bool ok = true;
    if (kind == QLatin1String("silent")) {
        f->kind = Kind::Silent;
    } else if (kind == QLatin1String("twice")) {
        f->kind = Kind::Twice;
    } else if (kind == QLatin1String("late")) {
        f->kind = Kind::Late;
        f->arg = arg.toInt(&ok);
    } else if (kind == QLatin1String("short")) {
        f->kind = Kind::Short;
        f->arg = arg.toInt(&ok);
    } else if (kind == QLatin1String("corrupt")) {
        f->kind = Kind::Corrupt;
        f->field = arg;
        ok = QStringList{"input", "type", "tx", "role", "serial"}.contains(arg);
    } else if (kind == QLatin1String("keep")) {
        f->kind = Kind::Keep;
        f->field = arg;
        ok = !arg.isEmpty();
    } else {
        return false;
    }
    return ok && f->arg >= 0;
}

SimElement::SimElement(SimElementConfig config, QObject* parent)
    : QObject(parent), config_(std::move(config)) {
    if (config_.label.isEmpty())
        config_.label = config_.identity.ip;
}

bool SimElement::start() {
    SimSocket::Options o;
    o.netns = config_.netns;
    o.port = kDiscoveryPort;
    o.shared = true; // several elements of one namespace all hear the broadcast
    discovery_ = SimSocket::bind(o, this, &error_);
    if (discovery_ == nullptr)
        return false;
    o.shared = false;
    o.address = config_.bindAddress;
    o.port = kConfigPort;
    o.broadcast = true;
    config2976_ = SimSocket::bind(o, this, &error_);
    if (config2976_ == nullptr)
        return false;
    o.port = kShortPort;
    short2977_ = SimSocket::bind(o, this, &error_);
    if (short2977_ == nullptr)
        return false;
    connect(discovery_, &QUdpSocket::readyRead, this, &SimElement::readDiscovery);
    connect(config2976_, &QUdpSocket::readyRead, this, &SimElement::readConfig);
    connect(short2977_, &QUdpSocket::readyRead, this, &SimElement::readShort);
    return true;
}

bool SimElement::startSenderOnly() {
    SimSocket::Options o;
    o.netns = config_.netns;
    o.address = config_.bindAddress;
    o.port = 0;
    config2976_ = SimSocket::bind(o, this, &error_);
    return config2976_ != nullptr;
}

const SimFault* SimElement::fault(SimFault::Kind kind, SimFault::Scope scope) const {
    for (const SimFault& f : config_.faults) {
        if (f.kind == kind && (f.scope & scope) != 0)
            return &f;
    }
    return nullptr;
}

void SimElement::log(const QString& line) {
    if (log_ == nullptr)
        return;
    *log_ << config_.label << ' ' << line << Qt::endl;
}

void SimElement::readDiscovery() {
    while (discovery_->hasPendingDatagrams()) {
        const QNetworkDatagram d = discovery_->receiveDatagram();
        log(QStringLiteral("RECV 1901 %1 %2").arg(d.senderAddress().toString(), QString::fromLatin1(d.data().toHex())));
        if (d.data() == kDiscoveryRequest)
            answer(d.senderAddress(), quint16(d.senderPort()), SimFault::Discovery);
    }
}

void SimElement::readConfig() {
    while (config2976_->hasPendingDatagrams()) {
        const QNetworkDatagram d = config2976_->receiveDatagram();
        log(QStringLiteral("RECV 2976 %1 %2 %3")
                .arg(d.senderAddress().toString(), d.destinationAddress().toString(),
                     QString::fromLatin1(d.data().toHex())));
        QSet<QString> keep;
        for (const SimFault& f : config_.faults) {
            if (f.kind == SimFault::Kind::Keep && (f.scope & SimFault::Config) != 0)
                keep.insert(f.field);
        }
        const QString oldIp = config_.identity.ip;
        if (!config_.identity.applyCommand(d.data(), keep))
            continue;
        if (config_.identity.ip != oldIp)
            readdress(oldIp);
        Q_EMIT configurationTaken();
        answer(d.senderAddress(), quint16(d.senderPort()), SimFault::Config);
    }
}

void SimElement::readShort() {
    while (short2977_->hasPendingDatagrams()) {
        const QNetworkDatagram d = short2977_->receiveDatagram();
        log(QStringLiteral("RECV 2977 %1 %2").arg(d.senderAddress().toString(), QString::fromLatin1(d.data().toHex())));
        if (d.data().size() == 2) {
            config_.identity.att = quint8(d.data()[0]);
            Q_EMIT attenuationChanged(config_.identity.att);
        } else if (shortCommandHook) {
            shortCommandHook(d, *short2977_);
        }
    }
}

QByteArray SimElement::recordFor(SimFault::Scope scope) const {
    QByteArray record = config_.identity.feedbackRecord();
    if (const SimFault* f = fault(SimFault::Kind::Corrupt, scope)) {
        if (f->field == QLatin1String("input"))
            record[16] = 7;
        else if (f->field == QLatin1String("type"))
            record[17] = 7;
        else if (f->field == QLatin1String("tx"))
            record[18] = 7;
        else if (f->field == QLatin1String("role"))
            record[35] = 9;
        else if (f->field == QLatin1String("serial"))
            record.replace(36, 4, QByteArray(4, '\0'));
    }
    if (const SimFault* f = fault(SimFault::Kind::Short, scope))
        record.truncate(f->arg);
    return record;
}

void SimElement::answer(const QHostAddress& host, quint16 port, SimFault::Scope scope) {
    if (fault(SimFault::Kind::Silent, scope) != nullptr) {
        log(QStringLiteral("SILENT"));
        return;
    }
    const QByteArray record = recordFor(scope);
    const int copies = fault(SimFault::Kind::Twice, scope) != nullptr ? 2 : 1;
    const SimFault* late = fault(SimFault::Kind::Late, scope);
    for (int i = 0; i < copies; ++i) {
        if (burst_ != nullptr && scope == SimFault::Discovery)
            burst_->hold([this, host, port, record] { sendRecord(host, port, record, false); });
        else if (late != nullptr)
            QTimer::singleShot(late->arg, this, [this, host, port, record] { sendRecord(host, port, record); });
        else
            sendRecord(host, port, record);
    }
}

void SimElement::sendRecord(const QHostAddress& host, quint16 port, const QByteArray& record,
                            bool logIt) {
    const qint64 sent = config2976_->writeDatagram(record, host, port);
    if (sent == record.size())
        ++answersSent_;
    if (!logIt && sent == record.size())
        return; // in a burst only failures are written, so the burst stays one instant
    log(QStringLiteral("SEND %1:%2 %3%4")
            .arg(host.toString())
            .arg(port)
            .arg(QString::fromLatin1(record.toHex()), sent == record.size() ? QString() : QStringLiteral(" FAILED ") + config2976_->errorString()));
}

void SimElement::announceTo(const QHostAddress& host, quint16 port) {
    sendRecord(host, port, recordFor(SimFault::Config));
}

void SimElement::readdress(const QString& oldIp) {
    // A real element takes its new address; here the namespace's interface gets it too
    // (the old one stays, so nothing in flight is lost).
    if (config_.interface.isEmpty())
        return;
    const quint32 mask = QHostAddress(config_.identity.mask).toIPv4Address();
    const int prefix = std::popcount(mask);
    QStringList args;
    if (!config_.netns.isEmpty())
        args << QStringLiteral("-n") << config_.netns;
    args << QStringLiteral("-4") << QStringLiteral("addr") << QStringLiteral("add")
         << QStringLiteral("%1/%2").arg(config_.identity.ip).arg(prefix) << QStringLiteral("dev")
         << config_.interface;
    const int rc = QProcess::execute(QStringLiteral("ip"), args);
    log(QStringLiteral("READDRESS %1 -> %2 %3").arg(oldIp, config_.identity.ip, rc == 0 ? QStringLiteral("ok") : QStringLiteral("failed")));
}
