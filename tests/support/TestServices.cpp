#include "TestServices.h"

#include <algorithm>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QHostAddress>
#include <QThread>
#include <QTimer>

MsgAnswer RecordingMessageBoxes::show(const MessageRequest& request) {
    shown.push_back(request);
    mostOpenAtOnce = std::max(mostOpenAtOnce, ++openNow);
    if (whileOpen)
        whileOpen(request);
    if (holdOpenMs > 0) {
        // As an operator reading the box: the event loop runs on until it is closed.
        QEventLoop reading;
        QTimer::singleShot(holdOpenMs, &reading, &QEventLoop::quit);
        reading.exec();
    }
    --openNow;
    if (!answers.isEmpty())
        return answers.dequeue();
    return request.buttons == MsgButtons::YesNo ? MsgAnswer::No : MsgAnswer::Ok;
}

QStringList RecordingMessageBoxes::texts() const {
    QStringList out;
    for (const auto& m : shown)
        out.append(m.text);
    return out;
}

void FakeHostAddressTable::setAddresses(std::initializer_list<const char*> dotted) {
    result = {};
    for (const char* d : dotted)
        result.addresses.push_back(QHostAddress(QString::fromLatin1(d)).toIPv4Address());
}

TestBed::TestBed() {
    hostAddresses.setAddresses({"127.0.0.1"});
    settings.values.insert(SettingKeys::Eula, QStringLiteral("1"));
    settings.values.insert(SettingKeys::NmsIpAddress, QStringLiteral("127.0.0.1"));
}

Services TestBed::services() {
    Services s;
    s.messages = &messages;
    s.programEnd = &programEnd;
    s.settings = &settings;
    s.instanceLock = &instanceLock;
    s.hostAddresses = &hostAddresses;
    s.arp = &arp;
    s.icmp = icmp;
    s.notifier = &notifier;
    s.eventLogPath = eventLogPath();
    s.iniPath = iniPath();
    s.historyPath = dir.filePath(QStringLiteral("history.sqlite"));
    s.argumentText = argumentText;
    s.instanceChannel = instanceChannel;
    return s;
}

void TestBed::writeIni(const QByteArray& content) const {
    QFile f(iniPath());
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(content) != content.size())
        qFatal("cannot write %s", qPrintable(iniPath()));
}

bool waitFor(const std::function<bool()>& pred, int timeoutMs) {
    QElapsedTimer t;
    t.start();
    while (!pred()) {
        if (t.elapsed() > timeoutMs)
            return pred();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(1);
    }
    return true;
}

bool onlyLoopbackHere() {
    // /proc/self/net/dev lists the links of this process's namespace (/sys may show the machine's).
    QFile dev(QStringLiteral("/proc/self/net/dev"));
    if (!dev.open(QIODevice::ReadOnly))
        return false;
    QStringList links;
    for (const QByteArray& line : dev.readAll().split('\n')) {
        const int colon = line.indexOf(':');
        if (colon > 0)
            links.append(QString::fromLatin1(line.left(colon).trimmed()));
    }
    return links == QStringList{QStringLiteral("lo")};
}

void FakeArpLookup::provoke(quint32 ipv4) {
    exchanges.push_back(QHostAddress(ipv4).toString());
    auto it = entries_.find(ipv4);
    if (it != entries_.end())
        ++it->provoked;
}

QList<QByteArray> FakeArpLookup::hardwareAddresses(const QList<quint32>& ipv4s) {
    QList<QByteArray> out;
    for (quint32 ipv4 : ipv4s) {
        auto it = entries_.find(ipv4);
        out.append(it != entries_.end() && it->provoked >= it->knownAfter ? it->mac : QByteArray());
    }
    return out;
}

void FakeArpLookup::set(const char* ip, const char* hexMac, int knownAfterExchanges) {
    entries_.insert(QHostAddress(QString::fromLatin1(ip)).toIPv4Address(),
                    {QByteArray::fromHex(hexMac), knownAfterExchanges, 0});
}

int FakeArpLookup::exchangesWith(const QString& ip) const {
    return int(std::count(exchanges.begin(), exchanges.end(), ip));
}
