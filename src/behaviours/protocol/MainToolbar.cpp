#include "MainToolbar.h"

#include "core/common/MessageBoxes.h"
#include "views/ElementTree.h"
#include "views/MainWindowUi.h"

#include <QAction>
#include <QCheckBox>
#include <QListWidget>

MainToolbar::MainToolbar(Context context, QObject* parent) : QObject(parent), ctx_(std::move(context)) {
    for (int i = 1; i < int(ctx_.ui->toolbarButton.size()); ++i) {
        if (QAction* button = ctx_.ui->toolbarButton[i])
            connect(button, &QAction::triggered, this, [this, i] { ButtonClick(i); });
    }
    // The meter may stop by itself (an element it cannot reach): the buttons follow it.
    connect(ctx_.ui->chkGetVolume, &QCheckBox::toggled, this, [this](bool on) {
        QAction* stop = ctx_.ui->toolbarButton[Toolbar::StopAudioMonitoring];
        if (!on && stop->isEnabled()) {
            stop->setEnabled(false);
            ctx_.ui->toolbarButton[Toolbar::StartAudioMonitoring]->setEnabled(true);
        }
    });
}

QString MainToolbar::discoveryQuestion() {
    return QStringLiteral("Performing an 'Auto Discovery' will delete the local database in your computer "
                          "and create a new one, based on the Network Elements found (if any). \r"
                          "Are you sure?");
}

void MainToolbar::ButtonClick(int index) {
    MainWindowUi& ui = *ctx_.ui;
    switch (index) {
    case Toolbar::AutoDiscover:
        Auto_Discover();
        break;
    case Toolbar::RefreshList:
        Refresh_List();
        break;
    case Toolbar::SaveChanges:
        if (ctx_.SaveChanges)
            ctx_.SaveChanges();
        break;
    case Toolbar::StartAudioMonitoring:
        ui.chkGetVolume->setChecked(true);
        ui.toolbarButton[Toolbar::StartAudioMonitoring]->setEnabled(false);
        ui.toolbarButton[Toolbar::StopAudioMonitoring]->setEnabled(true);
        break;
    case Toolbar::StopAudioMonitoring:
        ui.chkGetVolume->setChecked(false);
        ui.toolbarButton[Toolbar::StartAudioMonitoring]->setEnabled(true);
        ui.toolbarButton[Toolbar::StopAudioMonitoring]->setEnabled(false);
        break;
    default:
        break;
    }
}

void MainToolbar::Auto_Discover() {
    if (ctx_.ui->lstHidden->count() != 0) {
        const MsgAnswer answer = ctx_.messages->show(
            {discoveryQuestion(), QStringLiteral("Auto Discovery"), MsgIcon::Question, MsgButtons::YesNo});
        if (answer != MsgAnswer::Yes)
            return;
    }
    if (ctx_.ClearElementPanel)
        ctx_.ClearElementPanel();
    ctx_.ui->TreeView1->clear();
    if (ctx_.showPaging)
        ctx_.showPaging();
}

void MainToolbar::Refresh_List() {
    // The meter stops first: the list load may show a box, and behind it the meter would
    // tick on for a record that is gone.
    ctx_.ui->chkGetVolume->setChecked(false);
    ctx_.ui->TreeView1->clear();
    if (ctx_.Load_Config)
        ctx_.Load_Config();
    if (ctx_.ClearElementPanel)
        ctx_.ClearElementPanel();
}
