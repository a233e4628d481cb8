#include "DiagnosticsWindows.h"

#include "frmAdjust.h"
#include "frmStatistics.h"

#include <QPushButton>

DiagnosticsWindows::DiagnosticsWindows(QPushButton* cmdGetStats, QPushButton* cmdAdjust, DiagnosticsContext context,
                                       QWidget* owner)
    : ctx_(std::move(context)), owner_(owner) {
    connect(cmdGetStats, &QPushButton::clicked, this, &DiagnosticsWindows::openStatistics);
    connect(cmdAdjust, &QPushButton::clicked, this, &DiagnosticsWindows::openAdjust);
}

// Each window lives for one opening: closing it releases port 2978 and its timers.
void DiagnosticsWindows::openStatistics() {
    frmStatistics window(ctx_, owner_);
    if (window.openWindow())
        window.exec();
}

void DiagnosticsWindows::openAdjust() {
    frmAdjust window(ctx_, owner_);
    if (window.openWindow())
        window.exec();
}
