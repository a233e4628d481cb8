#pragma once
// Process_Feedback: what happens to a configuration feedback record.  It is decoded and
// checked; the reply timer of a sent configuration stops; the element's MAC address is
// obtained; then, during a discovery, the record is stored in the element's section as
// it stands, and otherwise it is handed to the confirmation of the sent configuration,
// after which the element list is reloaded.
//
// The mode is taken when the record arrives.  Arrival never opens a window, so the
// management endpoint keeps handing over datagrams whatever is open:
// - a discovery answer gets its MAC side by side with the others (MacResolver) and is
//   stored as soon as it is known; only a failure needs a message box;
// - a confirmation is handled from the event loop, one record after the other: while one
//   is handled (its wait window and message boxes), the next ones wait in a small queue
//   and further ones are dropped (and counted);
// - at most one box about a refused record is open or waiting at a time; a refused
//   record that arrives meanwhile is dropped (and counted).
// So no more than two windows opened by network input are ever open at once.

#include "FeedbackRecord.h"
#include "MacResolver.h"
#include "core/database/WriteFailureReport.h"

#include <QByteArray>
#include <QObject>
#include <QQueue>
#include <QString>

#include <functional>
#include <optional>

class ArpLookup;
class MessageBoxes;

class FeedbackProcessor : public QObject {
    Q_OBJECT
public:
    struct Context {
        MessageBoxes* messages = nullptr;
        ArpLookup* arp = nullptr;
        QString iniPath;
        std::function<bool()> discoveryMode;     // AutoDiscoverAwaiting
        // The discovery window is open (it resolves its last answers after the flag goes
        // false): an answer then opens no wait window over it, it is counted and dropped.
        std::function<bool()> discoveryWindowOpen;
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

    static constexpr int kConfirmationQueue = 64;
    static constexpr int kDiscoveryLookups = 4096;

    explicit FeedbackProcessor(Context context, QObject* parent = nullptr);

    void Process_Feedback(const QByteArray& datagram);

    // The most recent record that passed decoding (with its MAC once found).
    const FeedbackRecord& last() const { return last_; }
    int storedCount() const { return stored_; }
    // Records dropped: the confirmation queue was full, a box about a refused record was
    // open, or the discovery had as many answers waiting for their MACs as it takes.
    int droppedCount() const { return dropped_; }
    // Discovery answers whose MAC is still being looked up, or found and not yet stored.
    int lookupsPending() const { return resolver_.pending() + int(toStore_.size()); }

Q_SIGNALS:
    void answerStored(); // a discovery answer is in its element's section

private:
    struct Waiting {
        FeedbackRecord record;
        std::optional<QString> failure;
    };
    void discoveryMacFound(FeedbackRecord record, const std::optional<QString>& mac);
    void confirmWaiting();
    void confirmOne(const Waiting& waiting);
    void refuseLater(const QString& text);
    void storeFound();

    Context ctx_;
    WriteFailureReport ownWrites_;
    MacResolver resolver_;
    QList<QPair<QString, QList<QPair<QString, QString>>>> toStore_; // section, entries
    QQueue<Waiting> confirmations_;
    bool confirming_ = false;
    bool confirmationQueued_ = false;
    bool refusalOpen_ = false;
    bool refusalWaiting_ = false; // a refused record waits in confirmations_
    FeedbackRecord last_;
    int stored_ = 0;
    int dropped_ = 0;
};
