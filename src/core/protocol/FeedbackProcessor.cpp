#include "FeedbackProcessor.h"

#include "core/common/MessageBoxes.h"
#include "core/database/IniStore.h"
#include "core/database/MacSection.h"

#include <QTimer>

#include <utility>

FeedbackProcessor::FeedbackProcessor(Context context, QObject* parent)
    : QObject(parent), ctx_(std::move(context)), ownWrites_(ctx_.messages),
      resolver_(*ctx_.arp, kDiscoveryLookups) {
    if (ctx_.discoveryWrites == nullptr)
        ctx_.discoveryWrites = &ownWrites_;
}

void FeedbackProcessor::Process_Feedback(const QByteArray& datagram) {
    // The mode is taken once, when the record arrives: a discovery that ends while this
    // record waits for its MAC does not turn it into a confirmation half-way.
    const bool discovery = ctx_.discoveryMode && ctx_.discoveryMode();
    FeedbackRecord record = FeedbackRecord::decode(datagram);
    const std::optional<QString> failure = firstFeedbackFailure(record);
    // A well-formed answer stops the reply time-out now, also when it has to wait for
    // its turn behind another record.
    if (!failure && ctx_.stopReplyTimer)
        ctx_.stopReplyTimer();

    if (discovery) {
        last_ = record;
        if (failure) {
            refuseLater(*failure);
        } else if (!resolver_.resolve(record.UDP_Response_IP, [this, record](const std::optional<QString>& mac) {
                       discoveryMacFound(record, mac);
                   })) {
            ++dropped_;
        }
        return;
    }
    // One refused record at a time, shown or waiting: a flood of them is one box.
    if ((failure && (refusalOpen_ || refusalWaiting_)) ||
        confirmations_.size() >= kConfirmationQueue ||
        (ctx_.discoveryWindowOpen && ctx_.discoveryWindowOpen())) {
        ++dropped_;
        return;
    }
    refusalWaiting_ = refusalWaiting_ || failure.has_value();
    confirmations_.enqueue({std::move(record), failure});
    if (!confirming_ && !confirmationQueued_) {
        confirmationQueued_ = true;
        QTimer::singleShot(0, this, &FeedbackProcessor::confirmWaiting);
    }
}

void FeedbackProcessor::discoveryMacFound(FeedbackRecord record, const std::optional<QString>& mac) {
    if (!mac || mac->isEmpty()) {
        refuseLater(elementMacFailureText());
        return;
    }
    if (ctx_.sRemoteMacAddress2 != nullptr)
        *ctx_.sRemoteMacAddress2 = *mac;
    record.UDP_Response_MAC = *mac;
    last_ = record;
    // The answers found in the same instant go into the file as one change, in their
    // order, right after this round of lookups.
    if (toStore_.isEmpty())
        QTimer::singleShot(0, this, &FeedbackProcessor::storeFound);
    toStore_.append({MacSection::Encode_MAC(*mac), discoveryEntries(record)});
}

void FeedbackProcessor::storeFound() {
    const auto sections = std::exchange(toStore_, {});
    // Answers that cannot be stored are told once per discovery; the others are stored.
    // The disk flushes are left to the discovery's end, which flushes once for all.
    if (!ctx_.discoveryWrites->check(
            IniStore::WriteSections(sections, ctx_.iniPath, DatabaseFile::Flush::Later),
            QStringLiteral("Not every element found could be stored in the local database:")))
        return;
    for (qsizetype i = 0; i < sections.size(); ++i) {
        ++stored_;
        Q_EMIT answerStored();
    }
}

void FeedbackProcessor::refuseLater(const QString& text) {
    if (refusalOpen_) {
        ++dropped_;
        return;
    }
    // Taken now, so the refusals that arrive before the box opens are dropped as well;
    // shown from the event loop, so the answers behind it are stored meanwhile.
    refusalOpen_ = true;
    QTimer::singleShot(0, this, [this, text] {
        ctx_.messages->error(text);
        refusalOpen_ = false;
    });
}

void FeedbackProcessor::confirmWaiting() {
    confirmationQueued_ = false;
    if (confirming_)
        return;
    confirming_ = true;
    while (!confirmations_.isEmpty()) {
        const Waiting waiting = confirmations_.dequeue();
        confirmOne(waiting);
        if (ctx_.reloadList)
            ctx_.reloadList();
    }
    confirming_ = false;
}

void FeedbackProcessor::confirmOne(const Waiting& waiting) {
    FeedbackRecord record = waiting.record;
    last_ = record;
    if (waiting.failure) {
        refusalWaiting_ = false;
        if (refusalOpen_) {
            ++dropped_;
            return;
        }
        refusalOpen_ = true;
        ctx_.messages->error(*waiting.failure);
        refusalOpen_ = false;
        return;
    }
    const QString mac = ctx_.waitForMac ? ctx_.waitForMac(record.UDP_Response_IP) : QString();
    if (mac.isEmpty()) {
        ctx_.messages->error(elementMacFailureText());
        return;
    }
    record.UDP_Response_MAC = mac;
    last_ = record;
    if (ctx_.confirm)
        ctx_.confirm(record);
}
