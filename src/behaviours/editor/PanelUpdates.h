#pragma once
// What another behaviour may do to the properties panel beyond setting plain control
// values: change the role caption, which re-applies the role layout, and set a scroll
// bar, whose display text follows.  The feedback confirmation updates the panel through
// this and knows nothing else of it.

#include <QString>

class QScrollBar;

class PanelUpdates {
public:
    // The role captions the panel shows.
    static inline const QString Encoder = QStringLiteral("ENCODER");
    static inline const QString Decoder = QStringLiteral("DECODER");
    static inline const QString Unknown = QStringLiteral("UNKNOWN");

    virtual void setElementType(const QString& caption) = 0;
    // Brought into the bar's range; a value set this way never sends anything.
    virtual void setBarValue(QScrollBar* bar, int value) = 0;

protected:
    ~PanelUpdates() = default;
};
