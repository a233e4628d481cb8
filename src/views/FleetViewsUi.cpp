// The fleet check's part of the main window: a line in the status bar that counts the
// elements by state, the interval control beside it, and the event log dock below the
// panels (time, element, change).

#include "MainWindowUi.h"

#include <QDockWidget>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMainWindow>
#include <QSpinBox>
#include <QStatusBar>
#include <QTreeWidget>

void MainWindowUi::buildFleet(QMainWindow* window) {
    QStatusBar* bar = window->statusBar();
    bar->setObjectName(QStringLiteral("statusBar"));
    bar->setSizeGripEnabled(false);

    lblFleetStatus = new QLabel(bar);
    lblFleetStatus->setObjectName(QStringLiteral("lblFleetStatus"));
    bar->addWidget(lblFleetStatus, 1);

    auto* interval = new QWidget(bar);
    auto* row = new QHBoxLayout(interval);
    row->setContentsMargins(0, 0, 0, 0);
    auto* caption = new QLabel(QStringLiteral("Fleet check:"), interval);
    spnFleetInterval = new QSpinBox(interval);
    spnFleetInterval->setObjectName(QStringLiteral("spnFleetInterval"));
    spnFleetInterval->setRange(FleetInterval::Off, FleetInterval::Maximum);
    spnFleetInterval->setSpecialValueText(QStringLiteral("Off"));
    spnFleetInterval->setSuffix(QStringLiteral(" s"));
    spnFleetInterval->setToolTip(
        QStringLiteral("Ping every element this often (5 to 300 s), or Off"));
    spnFleetInterval->setAccessibleName(QStringLiteral("Fleet check"));
    caption->setBuddy(spnFleetInterval);
    row->addWidget(caption);
    row->addWidget(spnFleetInterval);
    bar->addPermanentWidget(interval);

    dockEvents = new QDockWidget(QStringLiteral("Events"), window);
    dockEvents->setObjectName(QStringLiteral("dockEvents"));
    dockEvents->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable |
                            QDockWidget::DockWidgetClosable);
    lstEvents = new QTreeWidget(dockEvents);
    lstEvents->setObjectName(QStringLiteral("lstEvents"));
    lstEvents->setAccessibleName(QStringLiteral("Events"));
    lstEvents->setRootIsDecorated(false);
    lstEvents->setUniformRowHeights(true);
    lstEvents->setHeaderLabels(
        {QStringLiteral("Time"), QStringLiteral("Element"), QStringLiteral("Change")});
    lstEvents->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    // Measured on the rows in view only: with a thousand rows, measuring them all at each
    // new row or change costs the window whole seconds.
    lstEvents->header()->setResizeContentsPrecision(0);
    lstEvents->header()->setStretchLastSection(true);
    // Five rows high: enough to see what just changed, without crowding the panels.
    lstEvents->setMinimumHeight(lstEvents->fontMetrics().height() * 5);
    dockEvents->setWidget(lstEvents);
    window->addDockWidget(Qt::BottomDockWidgetArea, dockEvents);
}
