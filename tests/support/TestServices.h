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
class RecordingMessageBoxes final : public MessageBoxes {
public:
    MsgAnswer show(const MessageRequest& request) override;
    std::vector<MessageRequest> shown;
    QQueue<MsgAnswer> answers;
    // Runs while a box is "open" (after it is recorded), e.g. to let datagrams arrive.
    std::function<void(const MessageRequest&)> whileOpen;
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

// A neighbour table of the test's own: address -> hardware address, each entry known from
// its n-th lookup on (1: at once).  Records every lookup.
class FakeArpLookup final : public ArpLookup {
public:
    QByteArray hardwareAddress(quint32 ipv4, Wait wait) override;
    void set(const char* ip, const char* hexMac, int knownFromLookup = 1);
    struct Lookup {
        QString ip;
        Wait wait;
    };
    std::vector<Lookup> lookups;
    int lookupsOf(const QString& ip) const;

private:
    struct Entry {
        QByteArray mac;
        int knownFrom = 1;
        int asked = 0;
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
    Services services();
    QString iniPath() const { return dir.filePath(QStringLiteral("nms.ini")); }
    QString eventLogPath() const { return dir.filePath(QStringLiteral("fleet-events.log")); }
    // Replaces nms.ini with this content, byte for byte.
    void writeIni(const QByteArray& content) const;
};

// Runs the event loop until pred() holds or timeoutMs passes; returns pred().
bool waitFor(const std::function<bool()>& pred, int timeoutMs = 3000);
