#pragma once
// Opening the statistics window (cmdGetStats) and the SFN adjustment window (cmdAdjust)
// modally over the main window, each on the element the main window shows.

#include "core/diagnostics/DiagnosticsContext.h"

#include <QObject>

class QPushButton;
class QWidget;

class DiagnosticsWindows : public QObject {
    Q_OBJECT
public:
    DiagnosticsWindows(QPushButton* cmdGetStats, QPushButton* cmdAdjust, DiagnosticsContext context,
                       QWidget* owner);

    void openStatistics();
    void openAdjust();

private:
    DiagnosticsContext ctx_;
    QWidget* owner_;
};
