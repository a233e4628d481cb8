#include "DiagnosticsRecord.h"

#include <QtEndian>

#include <algorithm>
#include <limits>

namespace DiagnosticsRecord {

qint32 rawField(const QByteArray& record, int offset) {
    if (offset < 0 || record.size() < qsizetype(offset) + 4)
        return 0;
    return qFromBigEndian<qint32>(record.constData() + offset);
}

std::optional<qint32> field(const QByteArray& record, int offset) {
    const float single = float(rawField(record, offset)); // round to nearest, ties to even
    // Every float that is below 2^31 in magnitude, or exactly -2^31, is a whole number
    // that fits.
    if (single >= 2147483648.0f || single < -2147483648.0f)
        return std::nullopt;
    return qint32(single);
}

quint8 byteAt(const QByteArray& record, int offset) {
    if (offset < 0 || record.size() <= offset)
        return 0;
    return quint8(record.at(offset));
}

std::optional<qint32> checkedSum(qint64 a, qint64 b) {
    const qint64 sum = a + b;
    if (sum < std::numeric_limits<qint32>::min() || sum > std::numeric_limits<qint32>::max())
        return std::nullopt;
    return qint32(sum);
}

} // namespace DiagnosticsRecord

namespace DiagnosticsRequest {

QByteArray setDelayCommand(int sliderValue, bool autoServo) {
    QByteArray out(6, '\0');
    out[0] = 'S';
    // The slider cannot leave 0..25000; the clamp keeps the product inside 32 bits anyway.
    const qint32 ns = qint32(std::clamp(sliderValue, 0, kDelayMaximumUnits)) * kDelayUnitNs;
    qToBigEndian<qint32>(ns, out.data() + 1);
    out[5] = autoServo ? 1 : 0;
    return out;
}

} // namespace DiagnosticsRequest
