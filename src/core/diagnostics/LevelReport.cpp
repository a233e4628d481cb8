#include "LevelReport.h"

#include "core/common/DisplayNumber.h"

#include <cmath>

namespace LevelReport {

double Log10(double x) { return std::log(x) / std::log(10.0); }

qint32 peak(const QByteArray& report) {
    qint32 highest = 0;
    const auto* bytes = reinterpret_cast<const uchar*>(report.constData());
    for (qsizetype at = 0; at + 3 <= report.size(); at += 3) {
        if (bytes[at] >= 0x80)
            continue; // a negative sample
        const qint32 sample = (qint32(bytes[at]) << 16) | (qint32(bytes[at + 1]) << 8) | bytes[at + 2];
        if (sample > highest)
            highest = sample;
    }
    return highest;
}

Display display(qint32 peak, QChar decimalSeparator) {
    if (peak <= 0)
        return {};
    const double level = double(peak) / kFullScale;
    Display d;
    // nearbyint rounds to the nearest, an exact half to the even neighbour.
    d.widthTwips = int(std::nearbyint(level * kFullWidthTwips));
    d.text = DisplayNumber::format(20.0 * Log10(level), 1, decimalSeparator) + QStringLiteral("dBFS");
    return d;
}

} // namespace LevelReport
