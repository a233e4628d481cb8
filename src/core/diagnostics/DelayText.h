#pragma once
// A signed number of nanoseconds as the SFN window writes it: " mS, ", " uS, ", " nS"
// parts (395 uS, 833 nS; 1 mS, 0 uS, 50 nS; -1 uS, 500 nS).

#include <QString>
#include <QtGlobal>

namespace DelayText {

// The fixed latencies of the element's interfaces.
inline constexpr qint32 kMacInterfaceNs = 265;
inline constexpr qint32 kAudioInterfaceNs = 395833;

QString format(qint64 nanoseconds);

} // namespace DelayText
