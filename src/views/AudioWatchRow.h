#pragma once
// One row of the "Audio watch" dock: an encoder, with a check box saying whether it is
// watched, its level bar with a peak-hold mark, its level text, a strip of the last 60 s
// of levels and its state.  The bar and the strip are drawn by AudioRowDelegate from the
// roles below; sorting by the state column orders by the state's gravity, not its text.

#include <QTreeWidgetItem>

class AudioWatchRow : public QTreeWidgetItem {
public:
    enum Column { Element, Bar, Level, Strip, State, Columns };
    static constexpr int BarRole = Qt::UserRole + 10;      // int, twips 0..2100
    static constexpr int PeakHoldRole = Qt::UserRole + 11; // int, twips 0..2100
    // QByteArray, one byte per strip pixel, oldest first: the level's height 0 to
    // kStripHeight, or kNoLevel where no report came.
    static constexpr int StripRole = Qt::UserRole + 12;
    static constexpr int SortRole = Qt::UserRole + 13; // on State: the gravity, higher first
    static constexpr int KeyRole = Qt::UserRole;       // on Element: the MAC text
    static constexpr int kStripPixels = 120;           // half a second each
    static constexpr int kStripHeight = 16;
    static constexpr char kNoLevel = char(0xFF);

    AudioWatchRow() = default;
    bool operator<(const QTreeWidgetItem& other) const override;
};
