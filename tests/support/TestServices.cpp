#include "TestServices.h"

#include <algorithm>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHostAddress>
#include <QThread>

MsgAnswer RecordingMessageBoxes::show(const MessageRequest& request) {
    shown.push_back(request);
    if (whileOpen)
        whileOpen(request);
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
    s.argumentText = argumentText;
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

QByteArray FakeArpLookup::hardwareAddress(quint32 ipv4, Wait wait) {
    lookups.push_back({QHostAddress(ipv4).toString(), wait});
    auto it = entries_.find(ipv4);
    if (it == entries_.end())
        return QByteArray();
    ++it->asked;
    return it->asked >= it->knownFrom ? it->mac : QByteArray();
}

void FakeArpLookup::set(const char* ip, const char* hexMac, int knownFromLookup) {
    entries_.insert(QHostAddress(QString::fromLatin1(ip)).toIPv4Address(),
                    {QByteArray::fromHex(hexMac), knownFromLookup, 0});
}

int FakeArpLookup::lookupsOf(const QString& ip) const {
    return int(std::count_if(lookups.begin(), lookups.end(), [&](const Lookup& l) { return l.ip == ip; }));
}
