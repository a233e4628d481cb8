#include "FeedbackProcessor.h"

#include "Arp.h"
#include "core/common/MessageBoxes.h"
#include "core/database/IniStore.h"
#include "core/database/MacSection.h"

FeedbackProcessor::FeedbackProcessor(Context context)
    : ctx_(std::move(context)), ownWrites_(ctx_.messages) {
    if (ctx_.discoveryWrites == nullptr)
        ctx_.discoveryWrites = &ownWrites_;
}

void FeedbackProcessor::Process_Feedback(const QByteArray& datagram) {
    // The mode is taken once, when the record arrives: a discovery that ends while this
    // record waits for its MAC does not turn it into a confirmation half-way.
    const bool discovery = ctx_.discoveryMode && ctx_.discoveryMode();
    processOne(datagram, discovery);
    if (!discovery && ctx_.reloadList)
        ctx_.reloadList();
}

void FeedbackProcessor::processOne(const QByteArray& datagram, bool discovery) {
    FeedbackRecord record = FeedbackRecord::decode(datagram);
    last_ = record;
    if (const auto failure = firstFeedbackFailure(record)) {
        ctx_.messages->error(*failure);
        return;
    }
    if (ctx_.stopReplyTimer)
        ctx_.stopReplyTimer();

    QString mac;
    if (discovery) {
        if (ctx_.arp == nullptr ||
            !Arp::Resolve_MAC(*ctx_.arp, record.UDP_Response_IP, QStringLiteral(":"), mac,
                              ctx_.sRemoteMacAddress2, ArpLookup::Wait::Immediate))
            mac.clear();
    } else if (ctx_.waitForMac) {
        mac = ctx_.waitForMac(record.UDP_Response_IP);
    }
    if (mac.isEmpty()) {
        ctx_.messages->error(elementMacFailureText());
        return;
    }
    record.UDP_Response_MAC = mac;
    last_ = record;

    if (discovery) {
        // One that cannot be stored is told once per discovery; the others are stored.  The
        // disk flushes are left to the discovery's end, which flushes once for all answers.
        if (ctx_.discoveryWrites->check(
                IniStore::WriteSectionEntries(MacSection::Encode_MAC(mac), discoveryEntries(record),
                                              ctx_.iniPath, DatabaseFile::Flush::Later),
                QStringLiteral("Not every element found could be stored in the local database:")))
            ++stored_;
    } else if (ctx_.confirm) {
        ctx_.confirm(record);
    }
}
