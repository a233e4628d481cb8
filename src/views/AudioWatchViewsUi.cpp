// The audio watch's part of the main window: the "Audio watch" dock, beside the Events
// dock (hidden until shown from the View menu), with one row per encoder (AudioWatchRow) and a
// check box that watches them all.

#include "AudioRowDelegate.h"
#include "AudioWatchRow.h"
#include "MainWindowUi.h"

#include <QCheckBox>
#include <QDockWidget>
#include <QHeaderView>
#include <QLabel>
#include <QMainWindow>
#include <QTreeWidget>
#include <QVBoxLayout>

void MainWindowUi::buildAudioWatch(QMainWindow* window) {
    dockAudioWatch = new QDockWidget(QStringLiteral("Audio watch"), window);
    dockAudioWatch->setObjectName(QStringLiteral("dockAudioWatch"));
    dockAudioWatch->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable |
                                QDockWidget::DockWidgetClosable);
    auto* body = new QWidget(dockAudioWatch);
    auto* column = new QVBoxLayout(body);
    column->setContentsMargins(4, 4, 4, 4);

    chkWatchAll = new QCheckBox(QStringLiteral("Watch all encoders"), body);
    chkWatchAll->setObjectName(QStringLiteral("chkWatchAll"));
    chkWatchAll->setTristate(true);
    lblAudioWatch = new QLabel(body);
    lblAudioWatch->setObjectName(QStringLiteral("lblAudioWatch"));
    auto* top = new QHBoxLayout;
    top->addWidget(chkWatchAll);
    top->addWidget(lblAudioWatch, 1);
    column->addLayout(top);

    lstAudioWatch = new QTreeWidget(body);
    lstAudioWatch->setObjectName(QStringLiteral("lstAudioWatch"));
    lstAudioWatch->setAccessibleName(QStringLiteral("Audio watch"));
    lstAudioWatch->setRootIsDecorated(false);
    lstAudioWatch->setUniformRowHeights(true);
    lstAudioWatch->setColumnCount(AudioWatchRow::Columns);
    lstAudioWatch->setHeaderLabels({QStringLiteral("Encoder"), QStringLiteral("Level"),
                                    QStringLiteral("dBFS"), QStringLiteral("Last 60 s"),
                                    QStringLiteral("State")});
    lstAudioWatch->setItemDelegate(new AudioRowDelegate(lstAudioWatch));
    // Columns of fixed widths (the names' is set from the font when the list is loaded): a
    // column that sized itself to its contents would measure the rows again at every report.
    AudioRowDelegate::setColumnWidths(lstAudioWatch);
    lstAudioWatch->setSortingEnabled(true);
    lstAudioWatch->sortByColumn(AudioWatchRow::Element, Qt::AscendingOrder);
    lstAudioWatch->setMinimumHeight(lstAudioWatch->fontMetrics().height() * 5);
    column->addWidget(lstAudioWatch);

    dockAudioWatch->setWidget(body);
    window->addDockWidget(Qt::BottomDockWidgetArea, dockAudioWatch);
    // Shown from the View menu, beside the Events: until the operator asks for it the
    // window is exactly as before, and the window remembers it once shown.
    window->splitDockWidget(dockEvents, dockAudioWatch, Qt::Horizontal);
    dockAudioWatch->hide();
}
