// Any datagram the management endpoint hands to the feedback processing: decoding and
// checking must never read past it, and a record that passes the checks always carries
// four well-formed addresses and a positive serial number.

#include "core/protocol/FeedbackRecord.h"

#include <QByteArrayView>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 54)
        return 0; // longer datagrams never reach the record
    const FeedbackRecord r = FeedbackRecord::decode(QByteArrayView(data, qsizetype(size)));
    if (!firstFeedbackFailure(r).has_value()) {
        if (size < 40 || r.UDP_Response_SN < 1 || r.UDP_Response_Role > 2)
            std::abort();
        const auto entries = discoveryEntries(r);
        if (entries.isEmpty() || entries.front().second.size() != 16)
            std::abort();
    }
    return 0;
}
