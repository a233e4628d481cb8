#pragma once
// Test stand-ins for the platform seams, and a fixture that gives a test a fresh
// database folder and a main window's services.

#include "app/Services.h"
#include "core/common/MessageBoxes.h"
#include "core/common/ProgramEnd.h"
#include "core/protocol/ArpLookup.h"
#include "core/shell/DesktopNotifier.h"
#include "core/shell/HostAddressTable.h"
#include "core/shell/InstanceLock.h"
#include "core/shell/SettingsStore.h"

#include <QMap>
#include <QQueue>
#include <QString>
#include <QTemporaryDir>

#include <functional>

class IcmpEcho;
#include <vector>

// Records every box and answers from a queue (default: the box's default button).
//
// By default a box returns at once, so nothing can happen while it is "open".  A real box
// is modal and keeps the event loop running until the operator has read it: timers tick,
// datagrams arrive and handlers re-enter behind it.  With holdOpenMs > 0 each box does the
// same: after it is recorded (and whileOpen has run) it runs a nested event loop for that
// many milliseconds before it answers.  openNow and mostOpenAtOnce count the boxes open
// one inside the other, so a test sees boxes stacking up behind each other.
class RecordingMessageBoxes final : public MessageBoxes {
public:
    MsgAnswer show(const MessageRequest& request) override;
    std::vector<MessageRequest> shown;
    QQueue<MsgAnswer> answers;
    // Runs while a box is "open" (after it is recorded), e.g. to let datagrams arrive.
    std::function<void(const MessageRequest&)> whileOpen;
    int holdOpenMs = 0; // 0: every box returns at once
    int openNow = 0;
    int mostOpenAtOnce = 0;
    QStringList texts() const;
    void clear() { shown.clear(); }
};

class RecordingProgramEnd final : public ProgramEnd {
public:
    void end(int exitCode) override {
        ended = true;
        code = exitCode;
    }
    bool ended = false;
    int code = -1;
};

class MemorySettingsStore final : public SettingsStore {
public:
    QString value(const QString& key, const QString& fallback) const override {
        return values.value(key, fallback);
    }
    void setValue(const QString& key, const QString& value) override {
        values.insert(key, value);
        ++writes;
    }
    QMap<QString, QString> values;
    int writes = 0;
};

class FakeInstanceLock final : public InstanceLock {
public:
    bool tryAcquire() override { return free; }
    bool free = true;
};

class FakeHostAddressTable final : public HostAddressTable {
public:
    HostAddressResult read() const override { return result; }
    void setAddresses(std::initializer_list<const char*> dotted);
    HostAddressResult result;
};

// A neighbour table of the test's own: address -> hardware address, each entry known once
// that many ARP exchanges with the address were provoked (0: known from the start).
// Records every exchange.
class FakeArpLookup final : public ArpLookup {
public:
    void provoke(quint32 ipv4) override;
    QList<QByteArray> hardwareAddresses(const QList<quint32>& ipv4s) override;
    void set(const char* ip, const char* hexMac, int knownAfterExchanges = 1);
    std::vector<QString> exchanges;
    int exchangesWith(const QString& ip) const;

private:
    struct Entry {
        QByteArray mac;
        int knownAfter = 1;
        int provoked = 0;
    };
    QMap<quint32, Entry> entries_;
};

// Records what would be shown on the desktop.
class RecordingNotifier final : public DesktopNotifier {
public:
    void notify(const QString& title, const QString& text) override { shown.append(title + u'|' + text); }
    QStringList shown;
};

// Everything a main window needs, owned by the test.
struct TestBed {
    TestBed();
    QTemporaryDir dir;
    RecordingMessageBoxes messages;
    RecordingProgramEnd programEnd;
    MemorySettingsStore settings;
    FakeInstanceLock instanceLock;
    FakeHostAddressTable hostAddresses;
    FakeArpLookup arp;
    RecordingNotifier notifier;
    IcmpEcho* icmp = nullptr; // the ping's echo; nullptr: the real one
    QString argumentText;
    QString instanceChannel; // "" for none
    Services services();
    QString iniPath() const { return dir.filePath(QStringLiteral("nms.ini")); }
    QString historyPath() const { return dir.filePath(QStringLiteral("history.sqlite")); }
    QString eventLogPath() const { return dir.filePath(QStringLiteral("fleet-events.log")); }
    // Replaces nms.ini with this content, byte for byte.
    void writeIni(const QByteArray& content) const;
};

// Runs the event loop until pred() holds or timeoutMs passes; returns pred().
bool waitFor(const std::function<bool()>& pred, int timeoutMs = 3000);

// Whether this process's network namespace holds nothing but loopback (the widget tests'
// private one): only there may a test address a private range such as 10.99.0.1, which
// then has no route and sends nothing.
bool onlyLoopbackHere();
