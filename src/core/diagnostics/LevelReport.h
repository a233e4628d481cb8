#pragma once
// The audio level report: a block of signed 24-bit samples, most significant byte first,
// that an element sends in answer to "VOL".  The meter shows its highest positive sample
// as a bar width (0 to 2100 twips) and as a level in dBFS.

#include <QByteArray>
#include <QChar>
#include <QString>
#include <QtGlobal>

namespace LevelReport {

inline const QByteArray Request = QByteArrayLiteral("VOL");
inline constexpr int kFullScale = 8388608;
inline constexpr int kFullWidthTwips = 2100;
inline const QString kSilentText = QStringLiteral("-oodBFS");

// Natural logarithm divided by that of 10; x must be above 0.
double Log10(double x);

// The highest sample of 0 or more among every complete 3-byte group; 0 when there is
// none.  A trailing partial group (length not a multiple of 3) is not a sample.
qint32 peak(const QByteArray& report);

struct Display {
    int widthTwips = 0;
    QString text = kSilentText;
};

// The bar width and the level text of a peak: level = peak / full scale; width = level x
// 2100 rounded (ties to even); text = 20 log10(level) to one decimal (ties to even), in
// the shortest form with the given decimal separator, then "dBFS".  A peak of 0 (or
// below) shows an empty bar and "-oodBFS".
Display display(qint32 peak, QChar decimalSeparator = u'.');

} // namespace LevelReport
