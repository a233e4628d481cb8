#pragma once
// Numbers in display texts: the shortest decimal form, without trailing zeros
// (-6dBu, 28.75mS), and, where a number of decimals is given, rounded to the nearest with
// an exact half going to the even neighbour (as the decimal value reads, so 0.25 to one
// decimal is 0.2 and 0.35 is 0.4).

#include <QChar>
#include <QString>

namespace DisplayNumber {

// decimals < 0: no rounding, the shortest text that reads back as the same number.
QString format(double value, int decimals = -1, QChar decimalSeparator = u'.');

} // namespace DisplayNumber
