#pragma once
// Decoding a diagnostics record for the statistics window, in the window's order: the
// Ethernet frame rows, the PTP rows (only for an element in a single-frequency network,
// the clock difference and measured delay only for a decoder), then the audio rows.  A
// sum that leaves the signed 32-bit range stops the decoding; the rows produced before it
// are still shown.

#include <QByteArray>
#include <QChar>
#include <QString>
#include <QtGlobal>

#include <optional>
#include <utility>
#include <vector>

enum class StatisticsRow {
    MACTxOK,          // lblMACTxOK
    MACRxOK,          // lblMACRxOK
    MACTxErr,         // lblMACTxErr
    MACRxErr,         // lblMACRxErr
    PTPRxOK,          // lblPTPRxOK
    PTPRxErr,         // lblPTPRxErr
    PTPClkAdj,        // lblPTPClkAdj
    PTPLatency,       // lblPTPLatency
    AudioRxFramesOK,  // lblAudioRxFramesOK
    AudioRxFramesErr, // lblAudioRxFramesErr
};

// The last decoded values, as the window keeps them.
struct StatisticsValues {
    qint32 UDP_Response_Tx_Frames_OK = 0;
    qint32 UDP_Response_Rx_Frames_OK = 0;
    qint32 UDP_Response_Tx_Frames_Err = 0;
    float UDP_Response_Tx_Frames_Err_Ratio = 0;
    qint32 UDP_Response_Rx_Frames_Err = 0;
    float UDP_Response_Rx_Frames_Err_Ratio = 0;
    qint32 UDP_Response_PTP_Sync_OK = 0;
    qint32 UDP_Response_PTP_Sync_Err = 0;
    qint32 UDP_Response_PTP_Sync_Value = 0;
    qint32 UDP_Response_PTP_Sync_Latency = 0;
    qint32 UDP_Response_Rx_Audio_Frames_OK = 0;
    qint32 UDP_Response_Rx_Audio_Frames_Err = 0;
    float UDP_Response_Rx_Audio_Frames_Err_Ratio = 0;
    qint32 UDP_Response_Additional_Latency = 0;
};

struct StatisticsDecoding {
    std::vector<std::pair<StatisticsRow, QString>> rows; // in the order they are shown
    bool failed = false;                                 // stopped on an overflow
};

namespace StatisticsDecoder {

// Error ratio of a pair of counters: 0 when their sum is 0, otherwise errors / sum x 100
// rounded to two decimals (ties to even), kept in single precision.  Empty when the sum
// leaves the signed 32-bit range.
std::optional<float> errorRatio(qint32 withoutError, qint32 withError);

// "3 (0.25%)": the count, then the ratio with at most two decimals.
QString countWithRatio(qint32 count, float ratio, QChar decimalSeparator);

// Decodes a record of at most 61 bytes into `values` (updated field by field, so fields
// taken before a failure keep their new value).  sfnOn: the element's "sfn" is 1;
// isDecoder: its type caption is "DECODER".
StatisticsDecoding decode(const QByteArray& record, bool sfnOn, bool isDecoder,
                          StatisticsValues& values, QChar decimalSeparator = u'.');

} // namespace StatisticsDecoder
