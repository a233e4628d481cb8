#pragma once
// Process_Feedback: what happens to a configuration feedback record.  It is decoded and
// checked; the reply timer of a sent configuration stops; the element's MAC address is
// obtained; then, during a discovery, the record is stored in the element's section as
// it stands, and otherwise it is handed to the confirmation of the sent configuration,
// after which the element list is reloaded.
//
// Each record is processed on its own: the MAC lookup and the confirmation use the
// values of this datagram even when another record is processed while a wait window is
// open in between.

#include "FeedbackRecord.h"
#include "core/database/WriteFailureReport.h"

#include <QByteArray>
#include <QString>

#include <functional>

class ArpLookup;
class MessageBoxes;

class FeedbackProcessor {
public:
    struct Context {
        MessageBoxes* messages = nullptr;
        ArpLookup* arp = nullptr;
        QString iniPath;
        std::function<bool()> discoveryMode;     // AutoDiscoverAwaiting
        std::function<void()> stopReplyTimer;    // timerRemoteSent off
        // Confirmation mode: the MAC text of the answering element, found while the
        // wait window is shown ("" when none was found).
        std::function<QString(const QString& ip)> waitForMac;
        // Confirmation mode: compare with the panel and store (record carries the MAC).
        std::function<void(const FeedbackRecord&)> confirm;
        std::function<void()> reloadList;        // Load_Config
        QString* sRemoteMacAddress2 = nullptr;   // the result of a successful lookup
        // Tells the first answer of a discovery that could not be stored; the discovery
        // window begins its round.  nullptr: one of the processor's own, never begun again.
        WriteFailureReport* discoveryWrites = nullptr;
    };

    explicit FeedbackProcessor(Context context);

    void Process_Feedback(const QByteArray& datagram);

    // The most recent record that passed decoding (with its MAC once found).
    const FeedbackRecord& last() const { return last_; }
    int storedCount() const { return stored_; }

private:
    void processOne(const QByteArray& datagram, bool discovery);

    Context ctx_;
    WriteFailureReport ownWrites_;
    FeedbackRecord last_;
    int stored_ = 0;
};
