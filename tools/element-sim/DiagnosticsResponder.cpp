#include "DiagnosticsResponder.h"

#include <QFile>

#include "SimElement.h"
#include "SimSocket.h"

#include <QNetworkDatagram>
#include <QTextStream>
#include <QUdpSocket>
#include <QtEndian>

#include <cmath>
#include <numbers>

namespace {

constexpr int kRecordLength = 61;
constexpr int kReportSamples = 401;
constexpr int kSampleRate = 48000;
constexpr int kToneHz = 1000;

void put32(QByteArray& record, int offset, qint64 value) {
    qToBigEndian<qint32>(qint32(value), record.data() + offset);
}

} // namespace

DiagnosticsResponder::DiagnosticsResponder(Config config, QObject* parent) : QObject(parent), config_(config) {
    sinceReset_.start();
}

std::unique_ptr<DiagnosticsResponder> DiagnosticsResponder::attach(SimElement& element, QTextStream* log,
                                                                   QString* error) {
    const SimElementConfig& c = element.config();
    auto responder = std::make_unique<DiagnosticsResponder>(
        Config{c.toneDbfs, c.identity.isDecoder()});
    SimSocket::Options o;
    o.netns = c.netns;
    o.address = c.bindAddress;
    o.port = 2978;
    QUdpSocket* port = SimSocket::bind(o, responder.get(), error);
    if (port == nullptr)
        return nullptr;
    responder->setToneFile(c.toneFile);
    responder->setLog(log);
    responder->setLabel(c.label.isEmpty() ? c.identity.ip : c.label);
    responder->serve(port);
    DiagnosticsResponder* r = responder.get();
    element.shortCommandHook = [r](const QNetworkDatagram& d, QUdpSocket& socket) {
        if (d.data() != "VOL")
            return;
        const QByteArray report = r->levelReport();
        socket.writeDatagram(report, d.senderAddress(), quint16(d.senderPort()));
        r->log(QStringLiteral("SEND %1:%2 level report of %3 bytes")
                   .arg(d.senderAddress().toString())
                   .arg(d.senderPort())
                   .arg(report.size()));
    };
    return responder;
}

void DiagnosticsResponder::serve(QUdpSocket* port) {
    port_ = port;
    connect(port_, &QUdpSocket::readyRead, this, &DiagnosticsResponder::read);
}

double DiagnosticsResponder::toneDbfs() const {
    if (toneFile_.isEmpty())
        return config_.toneDbfs;
    QFile f(toneFile_);
    if (!f.open(QIODevice::ReadOnly))
        return config_.toneDbfs;
    const QByteArray text = f.read(64).trimmed();
    if (text == "off")
        return -1000;
    bool ok = false;
    const double db = text.toDouble(&ok);
    return ok && db <= 0 ? db : config_.toneDbfs;
}

QByteArray DiagnosticsResponder::levelReport() const {
    return levelReport(toneDbfs());
}

QByteArray DiagnosticsResponder::levelReport(double toneDbfs) {
    QByteArray report(kReportSamples * 3, '\0');
    if (toneDbfs < -200)
        return report;
    const double amplitude =
        std::min(8388607.0, std::round(8388608.0 * std::pow(10.0, toneDbfs / 20.0)));
    for (int k = 0; k < kReportSamples; ++k) {
        // 48 samples a period: sample 12 of each period is exactly the peak.
        const double phase = 2.0 * std::numbers::pi * kToneHz * k / kSampleRate;
        const qint32 sample = qint32(std::lround(amplitude * std::sin(phase)));
        const quint32 bits = quint32(sample) & 0xFFFFFF; // 24-bit two's complement
        report[3 * k] = char(bits >> 16);
        report[3 * k + 1] = char(bits >> 8);
        report[3 * k + 2] = char(bits);
    }
    return report;
}

QByteArray DiagnosticsResponder::record() const {
    const qint64 ms = sinceReset_.elapsed();
    QByteArray r(kRecordLength, '\0');
    const qint64 ethernet = ms * kEthernetFramesPerSecond / 1000;
    const qint64 audio = ms * kAudioFramesPerSecond / 1000;
    put32(r, 0, ethernet);                 // good TX frames
    put32(r, 4, ethernet);                 // good RX frames
    put32(r, 8, 0);                        // bad TX frames
    put32(r, 12, ethernet / 10000);        // bad RX frames: one in ten thousand
    if (config_.decoder) {
        const qint64 sync = ms * kPtpSyncPerSecond / 1000;
        put32(r, 16, sync);                // good PTP sync
        put32(r, 20, sync / 1000);         // bad PTP sync
        // The clock wanders by up to 40 ns around zero, once a minute.
        put32(r, 24, std::lround(40.0 * std::sin(2.0 * std::numbers::pi * double(ms) / 60000.0)));
        put32(r, 28, kPropagationAverageNs); // measured delay before the additional latency
        put32(r, 40, kPropagationAverageNs);
        put32(r, 44, kPropagationMinimumNs);
        put32(r, 48, kPropagationMaximumNs);
    }
    put32(r, 32, audio);                   // audio frames without error
    put32(r, 36, audio / 20000);           // audio frames with error
    put32(r, 52, additionalDelayNs_);
    put32(r, 56, autoServo_ ? kServoCorrectionNs : 0);
    r[60] = autoServo_ ? 1 : 0;
    return r;
}

QByteArray DiagnosticsResponder::answer(const QByteArray& request) {
    if (request == "GetStats" || request == "GetDel")
        return record();
    if (request == "RstStats") {
        sinceReset_.restart();
        ++resets_;
        return {};
    }
    if (request.size() == 6 && request[0] == 'S') {
        additionalDelayNs_ = qFromBigEndian<qint32>(request.constData() + 1);
        autoServo_ = request[5] == 1;
        return {};
    }
    return {};
}

void DiagnosticsResponder::read() {
    while (port_->hasPendingDatagrams()) {
        const QNetworkDatagram d = port_->receiveDatagram();
        log(QStringLiteral("RECV 2978 %1 %2").arg(d.senderAddress().toString(), QString::fromLatin1(d.data().toHex())));
        const QByteArray reply = answer(d.data());
        if (reply.isEmpty())
            continue;
        port_->writeDatagram(reply, d.senderAddress(), 2978); // port 2978 at both ends
        log(QStringLiteral("SEND %1:2978 %2").arg(d.senderAddress().toString(), QString::fromLatin1(reply.toHex())));
    }
}

void DiagnosticsResponder::log(const QString& line) {
    if (log_ == nullptr)
        return;
    *log_ << label_ << ' ' << line << Qt::endl;
}
