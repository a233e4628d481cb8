#include "ElementRecord.h"

#include <algorithm>
#include <limits>

namespace ElementRecord {

std::optional<qint32> number(const QString& text) {
    const QString t = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == u'-' || t[i] == u'+')) {
        negative = t[i] == u'-';
        ++i;
    }
    if (i == t.size())
        return std::nullopt;
    qint64 v = 0;
    for (; i < t.size(); ++i) {
        if (t[i] < u'0' || t[i] > u'9')
            return std::nullopt;
        v = v * 10 + (t[i].unicode() - u'0');
        if (v > qint64(std::numeric_limits<qint32>::max()) + 1)
            return std::nullopt;
    }
    v = negative ? -v : v;
    if (v > std::numeric_limits<qint32>::max())
        return std::nullopt;
    return qint32(v);
}

std::optional<qint32> role(const QString& text) {
    return number(text);
}

int listIndex(const QString& text, int count, int fallback) {
    const auto n = number(text);
    if (n && *n >= 0 && *n < count)
        return *n;
    return fallback;
}

int barValue(const QString& text, int minimum, int maximum, const QString& fallbackText) {
    auto n = number(text);
    if (!n)
        n = number(fallbackText);
    return std::clamp(n.value_or(minimum), minimum, maximum);
}

bool isTicked(const QString& text) {
    return number(text) == 1;
}

} // namespace ElementRecord
