#include "AdjustDecoder.h"

#include "DelayText.h"
#include "DiagnosticsRecord.h"
#include "core/common/DisplayNumber.h"

#include <algorithm>
#include <cmath>

namespace AdjustDecoder {

double additionalDelayUnits(qint32 additionalLatencyNs) {
    const double units = double(additionalLatencyNs) / DiagnosticsRequest::kDelayUnitNs;
    return std::clamp(units, 0.0, double(DiagnosticsRequest::kDelayMaximumUnits));
}

int sliderPosition(double units) { return int(std::nearbyint(units)); }

AdjustDecoding decode(const QByteArray& record, bool measurementsApply) {
    namespace R = DiagnosticsRecord;
    namespace O = DiagnosticsRecord::Offset;
    AdjustDecoding out;
    if (!measurementsApply)
        return out;

    const auto additional = R::field(record, O::AdditionalLatency);
    if (!additional) {
        out.failed = true;
        return out;
    }
    out.additionalDelayUnits = additionalDelayUnits(*additional);
    out.sliderValue = sliderPosition(*out.additionalDelayUnits);

    AutoServoReading servo;
    servo.state = R::byteAt(record, O::AutoServoState);
    servo.on = servo.state == 1;
    if (servo.on) {
        const auto correction = R::field(record, O::AutoServoCorrection);
        if (!correction) {
            out.failed = true;
            return out;
        }
        servo.correction = *correction;
        servo.caption = QStringLiteral("Auto servo (") + DisplayNumber::format(servo.correction) +
                        QStringLiteral(" nS)");
    } else {
        servo.caption = QStringLiteral("Auto servo");
    }
    out.servo = servo;

    struct Source {
        LatencyRow row;
        int offset;
    };
    const Source sources[] = {{LatencyRow::Average, O::PropagationAverage},
                              {LatencyRow::Minimum, O::PropagationMinimum},
                              {LatencyRow::Maximum, O::PropagationMaximum}};
    for (const Source& s : sources) {
        const auto propagation = R::field(record, s.offset);
        if (!propagation) {
            out.failed = true;
            return out;
        }
        // The element's own additional latency and correction, not the slider's value.
        const qint64 sum = qint64(*propagation) + *additional + servo.correction;
        const auto network = R::checkedSum(sum, 0);
        if (!network) {
            out.failed = true;
            return out;
        }
        const auto summary =
            R::checkedSum(*network, qint64(DelayText::kMacInterfaceNs) + DelayText::kAudioInterfaceNs);
        if (!summary) {
            out.failed = true;
            return out;
        }
        out.lines.push_back({s.row, *network, DelayText::format(*network), DelayText::format(*summary)});
    }
    return out;
}

} // namespace AdjustDecoder
