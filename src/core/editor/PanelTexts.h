#pragma once
// The ranges of the properties panel's scroll bars and the texts shown beside them.
// Every number goes through the one display formatter (shortest form, half-even rounding).

#include <QString>

namespace PanelRanges {
inline constexpr int AttenMin = 14;  // "Mute"
inline constexpr int AttenMax = 255; // 0 dB
inline constexpr int BufferMin = 0;  // the maximum depends on the edition
inline constexpr int SilDetLevelMin = 1;
inline constexpr int SilDetLevelMax = 154;
inline constexpr int SilDetTimeMin = 1;
inline constexpr int SilDetTimeMax = 220;
inline constexpr int SingleStep = 1;
inline constexpr int PageStep = 10;
} // namespace PanelRanges

namespace PanelTexts {

// "Mute" at 14, otherwise (v - 255) x 0.5 followed by " dB".
QString attenuation(int v);
// 20 x log10(v x 2.04870129870129) - 56 to one decimal, followed by "dBu".
QString silenceLevel(int v);
// v x 0.455104166666667 to one decimal, followed by "Sec".
QString silenceTime(int v);

// The decoder's latency in milliseconds for buffer value v.
double latencyMs(int v, bool gpsdoEdition, bool sfnEnabled, bool lowLatencyOn);
// The latency followed by "mS" (5mS, 7.5mS, 28.75mS).
QString latency(int v, bool gpsdoEdition, bool sfnEnabled, bool lowLatencyOn);

// What an encoder shows instead of a latency.
inline QString encoderLatency() {
    return QStringLiteral("2.5mS");
}

} // namespace PanelTexts
