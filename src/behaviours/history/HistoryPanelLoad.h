#pragma once
// "Load into panel": a version's configurable values put into the panel of the element
// selected in the main window, without sending anything.  The operator sends them with
// "Save changes" as always.
//
// - Loaded: name, the four addresses, audio input and type, transmission type, SFN,
//   buffer, routing mode, silence level and time, low latency and (decoder) attenuation.
//   Identity (MAC, serial number, version, role) never is.
// - A version of another element loads when the roles match (a replacement unit).
// - The fields loaded are marked (bold, and "loaded from the history" in their tool tip
//   and accessible description) until the element's configuration is confirmed or
//   another element is chosen.

#include "core/history/HistoryVersion.h"

#include <QList>
#include <QObject>
#include <QString>

class ElementPanel;
class QWidget;
struct MainWindowUi;

class HistoryPanelLoad : public QObject {
    Q_OBJECT
public:
    struct Context {
        MainWindowUi* ui = nullptr;
        ElementPanel* panel = nullptr;
        QString iniPath;
    };
    static inline const QString Mark = QStringLiteral("loaded from the history");

    explicit HistoryPanelLoad(Context context, QObject* parent = nullptr);

    // Loads the version; returns what the operator is told (in the History window).
    QString load(const HistoryVersion& version);

    // Whether a field carries the mark now.
    bool isMarked(const QWidget* field) const;
    int markedCount() const { return int(marked_.size()); }
    void clearMarks();
    // A confirmed configuration of that element (its section) clears the marks.
    void confirmed(const QString& section);

private:
    void mark(QWidget* field);

    Context ctx_;
    struct Marked {
        QWidget* field;
        QString toolTip;
        QString description;
    };
    QList<Marked> marked_;
    QString markedSection_;
};
