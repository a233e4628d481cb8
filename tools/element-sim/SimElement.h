#pragma once
// One simulated Network Element: it answers the discovery request on port 1901 with its
// feedback record, takes configuration commands on port 2976 and answers with its new
// configuration, and takes the attenuation command on port 2977.  It can be told to
// misbehave, for tests.

#include "SimIdentity.h"

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>

#include <functional>

class AnswerBurst;
class QNetworkDatagram;
class QTextStream;
class QUdpSocket;

// A misbehaviour, for discovery answers, configuration answers or both.
struct SimFault {
    enum class Kind {
        Silent,  // never answers
        Late,    // answers after arg milliseconds
        Twice,   // answers twice
        Corrupt, // answers with field `field` out of range (input, type, tx, role, serial)
        Short,   // answers with only the first arg bytes of its record
        Keep,    // takes the command but not field `field` (its answer then differs)
    };
    enum Scope { Discovery = 1, Config = 2, Both = 3 };
    Kind kind = Kind::Silent;
    int arg = 0;
    QString field;
    int scope = Both;

    // "silent", "late:MS", "twice", "corrupt:FIELD", "short:N", "keep:FIELD", each with an
    // optional "@discovery" or "@config".  Returns false for a text it cannot read.
    static bool parse(const QString& text, SimFault* fault);
};

struct SimElementConfig {
    SimIdentity identity;
    QList<SimFault> faults;
    QString netns;      // make the sockets inside this named namespace
    QHostAddress bindAddress = QHostAddress(QHostAddress::AnyIPv4);
    QString interface;  // where a new address given by a command is added
    QString label;      // shown in the log
    double toneDbfs = -6.0; // the test tone its level reports carry (below -200: silence)
    QString toneFile;       // read at each "VOL": a level or "off" (otherwise toneDbfs)
};

class SimElement : public QObject {
    Q_OBJECT
public:
    explicit SimElement(SimElementConfig config, QObject* parent = nullptr);

    // Binds the ports 1901, 2976 and 2977.  On failure errorString() tells why.
    bool start();
    // Only a socket on a free port, for announceTo() beside an element that already
    // listens on the fixed ports.
    bool startSenderOnly();
    QString errorString() const { return error_; }

    const SimIdentity& identity() const { return config_.identity; }
    const SimElementConfig& config() const { return config_; }

    // Sends the feedback record once to host:2976 (an element announcing itself
    // unasked, e.g. answering for a command another element was sent).
    void announceTo(const QHostAddress& host, quint16 port);

    // Datagrams on port 2977 other than the 2-byte attenuation command (the 3-byte
    // audio level request "VOL", for one) go here when set; the socket can answer.
    std::function<void(const QNetworkDatagram&, QUdpSocket&)> shortCommandHook;

    // Where each event is logged, one line each ("RECV ...", "SEND ..."), or nullptr.
    void setLog(QTextStream* log) { log_ = log; }
    // Discovery answers wait in this burst (shared by the elements of one process).
    void setBurst(AnswerBurst* burst) { burst_ = burst; }

    int answersSent() const { return answersSent_; }

Q_SIGNALS:
    void attenuationChanged(int value);
    void configurationTaken();

private:
    void readDiscovery();
    void readConfig();
    void readShort();
    void answer(const QHostAddress& host, quint16 port, SimFault::Scope scope);
    void sendRecord(const QHostAddress& host, quint16 port, const QByteArray& record, bool logIt = true);
    QByteArray recordFor(SimFault::Scope scope) const;
    const SimFault* fault(SimFault::Kind kind, SimFault::Scope scope) const;
    void readdress(const QString& oldIp);
    void log(const QString& line);

    SimElementConfig config_;
    QUdpSocket* discovery_ = nullptr;
    QUdpSocket* config2976_ = nullptr;
    QUdpSocket* short2977_ = nullptr;
    QString error_;
    QTextStream* log_ = nullptr;
    AnswerBurst* burst_ = nullptr;
    int answersSent_ = 0;
};
