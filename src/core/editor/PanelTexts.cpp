#include "PanelTexts.h"

#include "core/common/DisplayNumber.h"

#include <cmath>

namespace PanelTexts {

namespace {
// The program's base-10 logarithm (natural logarithm over that of 10), as Log10 gives it.
double log10Of(double x) {
    return std::log(x) / std::log(10.0);
}
} // namespace

QString attenuation(int v) {
    if (v == PanelRanges::AttenMin)
        return QStringLiteral("Mute");
    return DisplayNumber::format((v - 255) * 0.5) + QStringLiteral(" dB");
}

QString silenceLevel(int v) {
    return DisplayNumber::format(20.0 * log10Of(v * 2.04870129870129) - 56.0, 1) +
           QStringLiteral("dBu");
}

QString silenceTime(int v) {
    return DisplayNumber::format(v * 0.455104166666667, 1) + QStringLiteral("Sec");
}

double latencyMs(int v, bool gpsdoEdition, bool sfnEnabled, bool lowLatencyOn) {
    if (lowLatencyOn)
        return v * 1.25 + 2.5;
    // Time-aligned decoders (GPSDO edition or SFN ticked) start from 2.5 ms, others from 5.
    return (gpsdoEdition || sfnEnabled) ? v * 2.5 + 2.5 : v * 2.5 + 5.0;
}

QString latency(int v, bool gpsdoEdition, bool sfnEnabled, bool lowLatencyOn) {
    return DisplayNumber::format(latencyMs(v, gpsdoEdition, sfnEnabled, lowLatencyOn)) +
           QStringLiteral("mS");
}

} // namespace PanelTexts
