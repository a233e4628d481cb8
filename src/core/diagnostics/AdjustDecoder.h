#pragma once
// Decoding a 61-byte diagnostics record for the SFN adjustment window: the element's
// additional latency (as a slider position), its auto servo state and correction, and the
// network latencies (average, minimum, maximum) with their summaries including the fixed
// MAC and audio interface latencies.  A value outside the signed 32-bit range stops the
// decoding; what was produced before it is still shown.

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <optional>
#include <vector>

enum class LatencyRow { Average, Minimum, Maximum };

struct LatencyLine {
    LatencyRow row;
    qint32 network = 0; // UDP_Response_PTP_Propagation_Delay_...
    QString networkText; // lblCurrentDelay...
    QString summaryText; // lblDelaySum...
};

struct AutoServoReading {
    quint8 state = 0;      // UDP_Response_PTP_Auto_Servo (offset 60)
    bool on = false;       // state == 1
    qint32 correction = 0; // offset 56 when on, otherwise 0
    QString caption;       // "Auto servo (-120 nS)" or "Auto servo"
};

struct AdjustDecoding {
    // Present when the measurements apply (element in SFN and a decoder).
    std::optional<double> additionalDelayUnits; // UDP_Response_PTP_Additional_Delay, 0..25000
    std::optional<int> sliderValue;             // that value rounded, ties to even
    std::optional<AutoServoReading> servo;
    std::vector<LatencyLine> lines;             // average, minimum, maximum, as far as they went
    bool failed = false;
};

namespace AdjustDecoder {

// measurementsApply: the element's "sfn" is 1 and its type caption is "DECODER".  The
// fixed MAC and audio rows are shown for every decoded record and are not part of this.
AdjustDecoding decode(const QByteArray& record, bool measurementsApply);

// The slider position for an additional latency in ns: / 100, limited to 0..25000, then
// rounded (ties to even: 150 ns gives 2, 250 ns gives 2).
double additionalDelayUnits(qint32 additionalLatencyNs);
int sliderPosition(double units);

} // namespace AdjustDecoder
