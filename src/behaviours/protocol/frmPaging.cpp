#include "frmPaging.h"

#include "behaviours/database/ElementList.h"
#include "core/common/MessageBoxes.h"
#include "core/database/DatabaseFile.h"
#include "core/database/IniStore.h"
#include "core/protocol/ManagementEndpoint.h"
#include "views/ElementTree.h"
#include "views/LevelBar.h"
#include "views/MainWindowUi.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

frmPaging::frmPaging(Context context, QWidget* parent)
    : QDialog(parent), ctx_(std::move(context)), ownWrites_(ctx_.messages) {
    setObjectName(QStringLiteral("frmPaging"));
    setWindowTitle(QStringLiteral("Paging network..."));
    setModal(true);
    Label1 = new QLabel(QStringLiteral("Please wait a few seconds while paging the network..."), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    // Said with the window's title when it opens: the window has nothing to focus.
    setAccessibleDescription(Label1->text());
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    Timer1.setObjectName(QStringLiteral("Timer1"));
    Timer1.setInterval(3000);
    Timer1.setTimerType(Qt::PreciseTimer);
    Timer1.setSingleShot(true);
    connect(&Timer1, &QTimer::timeout, this, &frmPaging::timerTick);
    lookupWait_.setInterval(5);
    connect(&lookupWait_, &QTimer::timeout, this, &frmPaging::finishWhenLookedUp);
}

void frmPaging::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!loaded_) {
        loaded_ = true;
        load();
    }
}

void frmPaging::reject() {
    // Escape or the window's close button: the discovery still ends by its timer, so the
    // endpoint's destination and the flag are always restored.
}

void frmPaging::load() {
    MainWindowUi& ui = *ctx_.ui;
    ui.chkGetVolume->setChecked(false);
    ui.lstHidden->clear();
    ui.TreeView1->clear();
    ui.cmbEncoders->clear();
    ui.cmbEncoders->addItem(QStringLiteral("<None>"));
    ui.VUMeter->setWidthTwips(0);
    ui.frmTreeView->setTitle(ElementList::treeCaption(ui.TreeView1->topLevelItemCount()));

    // Emptying is a write that can fail (an unreadable database is never replaced): told,
    // and the discovery goes on, storing its answers where it can.
    writes().begin();
    if (ctx_.discoveryStarting)
        ctx_.discoveryStarting();
    writes().check(IniStore::CreateEmpty(ctx_.iniPath),
                   QStringLiteral("The local database could not be emptied for the discovery:"));

    ManagementEndpoint& ep = *ctx_.endpoint;
    savedHost_ = ep.remoteHost();
    savedPort_ = ep.remotePort();
    Timer1.start();
    *ctx_.AutoDiscoverAwaiting = true;
    // The endpoint is normally bound; after a failed change of interface it is closed,
    // and a request from an unbound socket would draw the answers to another port.
    if (!ep.isOpen() && ctx_.bindEndpoint)
        ctx_.bindEndpoint();
    if (!ep.broadcast(Request))
        ctx_.messages->error(QStringLiteral("The discovery request could not be sent: ") + ep.errorString());
}

WriteFailureReport& frmPaging::writes() {
    return ctx_.discoveryWrites != nullptr ? *ctx_.discoveryWrites : ownWrites_;
}

void frmPaging::timerTick() {
    Timer1.stop();
    ctx_.endpoint->deliverWaiting(); // what arrived in time answers this discovery
    ctx_.endpoint->setRemote(savedHost_, savedPort_);
    *ctx_.AutoDiscoverAwaiting = false;
    sinceTick_.start();
    finishWhenLookedUp();
}

void frmPaging::finishWhenLookedUp() {
    if (ctx_.lookupsPending && ctx_.lookupsPending() > 0 && sinceTick_.elapsed() < kLookupWaitMs) {
        lookupWait_.start();
        return;
    }
    lookupWait_.stop();
    // The answers were stored without waiting for the disk: one flush for all of them.
    writes().check(DatabaseFile::flush(ctx_.iniPath),
                   QStringLiteral("Not every element found could be stored in the local database:"));
    if (ctx_.Load_Config)
        ctx_.Load_Config();
    if (ctx_.discoveryEnded)
        ctx_.discoveryEnded();
    done(QDialog::Accepted);
}
