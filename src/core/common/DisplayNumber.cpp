#include "DisplayNumber.h"

#include <charconv>
#include <cmath>
#include <string>

namespace DisplayNumber {

namespace {

// Shortest round-trip text of a finite double, plain notation (no exponent).
std::string shortest(double v) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed);
    return std::string(buf, r.ptr);
}

// Rounds a plain decimal text (optional '-', digits, optional '.' and digits) to the
// given number of decimals, half to even, working on the decimal digits themselves.
std::string roundHalfEven(const std::string& text, int decimals) {
    bool negative = !text.empty() && text[0] == '-';
    std::string digits = negative ? text.substr(1) : text;
    const auto dot = digits.find('.');
    std::string intPart = dot == std::string::npos ? digits : digits.substr(0, dot);
    std::string frac = dot == std::string::npos ? std::string() : digits.substr(dot + 1);
    if (int(frac.size()) <= decimals)
        return text;
    std::string kept = intPart + frac.substr(0, decimals);
    const std::string rest = frac.substr(decimals);
    bool roundUp = false;
    if (rest[0] > '5') {
        roundUp = true;
    } else if (rest[0] == '5') {
        const bool beyond = rest.find_first_not_of('0', 1) != std::string::npos;
        const int last = kept.empty() ? 0 : kept.back() - '0';
        roundUp = beyond || (last % 2 == 1);
    }
    if (roundUp) {
        int i = int(kept.size()) - 1;
        while (i >= 0 && kept[i] == '9') {
            kept[i] = '0';
            --i;
        }
        if (i < 0)
            kept.insert(kept.begin(), '1');
        else
            ++kept[i];
    }
    // Built by appending: GCC 12 warns falsely (-Wrestrict) on "literal" + std::string at -O3.
    std::string out;
    if (negative)
        out.push_back('-');
    const std::size_t intDigits = kept.size() - std::size_t(decimals);
    if (intDigits == 0)
        out.push_back('0');
    else
        out.append(kept, 0, intDigits);
    if (decimals > 0) {
        out.push_back('.');
        out.append(kept, intDigits, std::string::npos);
    }
    return out;
}

std::string stripZeros(std::string s) {
    if (s.find('.') != std::string::npos) {
        while (!s.empty() && s.back() == '0')
            s.pop_back();
        if (!s.empty() && s.back() == '.')
            s.pop_back();
    }
    if (s.empty() || (s.size() == 2 && s[0] == '-' && s[1] == '0'))
        return std::string(1, '0'); // not s = "0": GCC 12 warns falsely (-Wrestrict) at -O3
    return s;
}

} // namespace

QString format(double value, int decimals, QChar decimalSeparator) {
    if (std::isnan(value))
        return QStringLiteral("NaN");
    if (std::isinf(value))
        return value < 0 ? QStringLiteral("-oo") : QStringLiteral("oo");
    std::string text;
    if (decimals < 0) {
        text = shortest(value);
    } else {
        // 15 significant digits: the value as a person reads it (19.65, not 19.649999...).
        char buf[64];
        const int exponent = value == 0 ? 0 : int(std::floor(std::log10(std::fabs(value))));
        const int fracDigits = std::max(0, 14 - exponent);
        auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, fracDigits);
        text = roundHalfEven(std::string(buf, r.ptr), decimals);
    }
    QString out = QString::fromStdString(stripZeros(text));
    if (decimalSeparator != u'.')
        out.replace(u'.', decimalSeparator);
    return out;
}

} // namespace DisplayNumber
