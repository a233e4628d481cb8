#include "ApplicationMenus.h"

#include "ButtonAction.h"
#include "FleetIntervalMenu.h"
#include "frmDisclaimer.h"

#include "core/shell/Edition.h"
#include "views/MainWindowUi.h"

#include <QApplication>
#include <QDockWidget>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QToolBar>

ApplicationMenus::ApplicationMenus(Context context, QObject* parent)
    : QObject(parent), ctx_(context) {
    ctx_.window->menuBar()->setObjectName(QStringLiteral("menuBar"));
    buildFile();
    buildView();
    buildElement();
    buildHelp();
}

void ApplicationMenus::buildFile() {
    QMenu* file = ctx_.window->menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("menuFile"));
    QAction* quit = file->addAction(QStringLiteral("&Quit"));
    quit->setObjectName(QStringLiteral("actionQuit"));
    quit->setShortcut(QKeySequence::Quit);
    quit->setMenuRole(QAction::QuitRole);
    // Queued: the window closes once the menu has closed, as when its frame is closed.
    connect(quit, &QAction::triggered, ctx_.window, &QWidget::close, Qt::QueuedConnection);
}

void ApplicationMenus::buildView() {
    view_ = ctx_.window->menuBar()->addMenu(QStringLiteral("&View"));
    view_->setObjectName(QStringLiteral("menuView"));
    view_->addAction(ctx_.ui->Toolbar1->toggleViewAction());
    afterDocks_ = view_->addSeparator();
    view_->addMenu(new FleetIntervalMenu(ctx_.ui->spnFleetInterval, view_));
    addViewToggle(ctx_.ui->dockEvents);
}

void ApplicationMenus::addViewToggle(QDockWidget* dock) {
    view_->insertAction(afterDocks_, dock->toggleViewAction());
}

void ApplicationMenus::buildElement() {
    MainWindowUi& ui = *ctx_.ui;
    element_ = ctx_.window->menuBar()->addMenu(QStringLiteral("&Element"));
    element_->setObjectName(QStringLiteral("menuElement"));
    for (int i = 1; i < int(ui.toolbarButton.size()); ++i) {
        if (QAction* a = ui.toolbarButton[i])
            element_->addAction(a); // the toolbar's own action: its key, its enabled state
    }
    element_->addSeparator();
    element_->addAction(new ButtonAction(QStringLiteral("&Ping"), ui.cmdPing, element_));
    element_->addAction(
        new ButtonAction(QStringLiteral("&Statistics..."), ui.cmdGetStats, element_));
    element_->addAction(new ButtonAction(QStringLiteral("&Adjust..."), ui.cmdAdjust, element_));
}

void ApplicationMenus::addElementAction(QAction* action) {
    element_->addAction(action);
}

void ApplicationMenus::buildHelp() {
    QMenu* help = ctx_.window->menuBar()->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("menuHelp"));
    connect(help->addAction(QStringLiteral("Important &notice...")), &QAction::triggered, this,
            [this] {
                frmDisclaimer notice(*ctx_.settings, ctx_.window);
                notice.exec();
            });
    help->addSeparator();
    QAction* about = help->addAction(QStringLiteral("&About Tessovar NMS"));
    about->setMenuRole(QAction::AboutRole);
    connect(about, &QAction::triggered, this, &ApplicationMenus::showAbout);
    QAction* aboutQt = help->addAction(QStringLiteral("About &Qt"));
    aboutQt->setMenuRole(QAction::AboutQtRole);
    connect(aboutQt, &QAction::triggered, qApp, &QApplication::aboutQt);
}

QString ApplicationMenus::aboutText() {
    return QStringLiteral(
               "<h3>Tessovar NMS %1</h3>"
               "<p>The network management station for the Tessovar audio-over-IP elements.</p>"
               "<p>Copyright &copy; 2026 Veltrana Broadcast. All rights reserved.</p>"
               "<p>The manual: <tt>man tessovar-nms</tt>; the simulated elements and the "
               "exporter have theirs (<tt>man element-sim</tt>, <tt>man tessovar-exporter</tt>)."
               "</p>"
               "<p>Support: %2</p>")
        .arg(programVersion(), frmDisclaimer::supportAddress());
}

void ApplicationMenus::showAbout() {
    auto* box = new QMessageBox(ctx_.window);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setObjectName(QStringLiteral("aboutBox"));
    box->setWindowTitle(QStringLiteral("About Tessovar NMS"));
    box->setTextFormat(Qt::RichText);
    box->setText(aboutText());
    box->setIconPixmap(QApplication::windowIcon().pixmap(64));
    box->setStandardButtons(QMessageBox::Close);
    box->open();
}
