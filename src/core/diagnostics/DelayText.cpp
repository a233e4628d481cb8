#include "DelayText.h"

#include "core/common/DisplayNumber.h"

namespace DelayText {

QString format(qint64 nanoseconds) {
    const qint64 magnitude = nanoseconds < 0 ? -nanoseconds : nanoseconds;
    const qint64 ms = magnitude / 1000000;
    const qint64 us = (magnitude / 1000) % 1000;
    const qint64 ns = magnitude % 1000;
    auto number = [](qint64 v) { return DisplayNumber::format(double(v)); };
    QString text;
    if (ms > 0)
        text += number(ms) + QStringLiteral(" mS, ");
    if (!text.isEmpty() || us > 0)
        text += number(us) + QStringLiteral(" uS, ");
    text += number(ns) + QStringLiteral(" nS");
    if (nanoseconds < 0)
        text.prepend(u'-');
    return text;
}

} // namespace DelayText
