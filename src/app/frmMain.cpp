#include "frmMain.h"

#include "behaviours/database/ElementFilter.h"
#include "behaviours/database/ElementList.h"
#include "behaviours/diagnostics/AudioLevelMeter.h"
#include "behaviours/diagnostics/DiagnosticsWindows.h"
#include "behaviours/diagnostics/ElementPing.h"
#include "behaviours/editor/AttenuationControl.h"
#include "behaviours/editor/ConfigurationSender.h"
#include "behaviours/editor/ElementPanel.h"
#include "behaviours/editor/FieldEditor.h"
#include "behaviours/fleet/FleetMonitor.h"
#include "behaviours/fleet/FleetTrayIcon.h"
#include "behaviours/protocol/FeedbackConfirmation.h"
#include "behaviours/protocol/MainToolbar.h"
#include "behaviours/protocol/frmPaging.h"
#include "behaviours/protocol/frmWaiting.h"
#include "behaviours/shell/ApplicationMenus.h"
#include "behaviours/shell/FreedesktopNotifier.h"
#include "behaviours/shell/InterfaceChooser.h"
#include "behaviours/shell/WindowMemory.h"
#include "behaviours/shell/frmDisclaimer.h"
#include "core/common/MessageBoxes.h"
#include "core/common/ProgramEnd.h"
#include "core/database/DatabaseFile.h"
#include "core/database/IniStore.h"
#include "core/database/MacSection.h"
#include "core/database/WriteFailureReport.h"
#include "core/diagnostics/IcmpEcho.h"
#include "core/diagnostics/LevelReport.h"
#include "core/protocol/ElementSender.h"
#include "core/protocol/FeedbackProcessor.h"
#include "core/protocol/LinuxArpLookup.h"
#include "core/protocol/ManagementEndpoint.h"
#include "core/shell/Edition.h"
#include "core/shell/InstanceChannel.h"
#include "core/shell/InstanceLock.h"
#include "core/shell/SettingsStore.h"
#include "views/ElementTree.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QScrollBar>
#include <QSlider>

frmMain::frmMain(Services services, QWidget* parent)
    : QMainWindow(parent), services_(std::move(services)),
      endpoint_(std::make_unique<ManagementEndpoint>()),
      discoveryWrites_(std::make_unique<WriteFailureReport>(services_.messages)) {
    ui_.build(this);
    resize(sizeHint().expandedTo(QSize(900, 560)));

    ElementSender::Context sc;
    sc.endpoint = endpoint_.get();
    sc.messages = services_.messages;
    sc.programEnd = services_.programEnd;
    sc.selectedMac = [this] { return selectedElementMac(); };
    sc.localAddress = [this] { return strLocalNMSIPAddress; };
    sc.iniPath = services_.iniPath;
    sender_ = std::make_unique<ElementSender>(std::move(sc));

    InterfaceChooser::Context ic;
    ic.cmbNMSIPAddr = ui_.cmbNMSIPAddr;
    ic.hostAddresses = services_.hostAddresses;
    ic.settings = services_.settings;
    ic.endpoint = endpoint_.get();
    ic.messages = services_.messages;
    ic.strLocalNMSIPAddress = &strLocalNMSIPAddress;
    interfaceChooser_ = std::make_unique<InterfaceChooser>(ic, this);

    tmrVolume.setObjectName(QStringLiteral("tmrVolume"));
    tmrVolume.setInterval(ui_.Slider1->value());

    ElementList::Context lc;
    lc.TreeView1 = ui_.TreeView1;
    lc.cmbEncoders = ui_.cmbEncoders;
    lc.lstHidden = ui_.lstHidden;
    lc.VUMeter = ui_.VUMeter;
    lc.frmTreeView = ui_.frmTreeView;
    lc.ImageList1 = &ui_.ImageList1;
    lc.messages = services_.messages;
    lc.iniPath = services_.iniPath;
    elementList_ = std::make_unique<ElementList>(std::move(lc));

    ElementPanel::Context pc;
    pc.ui = &ui_;
    pc.iniPath = services_.iniPath;
    pc.messages = services_.messages;
    pc.tmrVolume = &tmrVolume;
    pc.GPSDOEdition = &GPSDOEdition;
    pc.LowLatencyOn = &LowLatencyOn;
    panel_ = std::make_unique<ElementPanel>(std::move(pc));
    connect(ui_.TreeView1, &ElementTree::NodeClick, panel_.get(), &ElementPanel::NodeClick);

    FieldEditor::Context fc;
    fc.ui = &ui_;
    fc.panel = panel_.get();
    fc.tmrVolume = &tmrVolume;
    fc.LowLatencyOn = &LowLatencyOn;
    fc.iniPath = services_.iniPath;
    fieldEditor_ = std::make_unique<FieldEditor>(std::move(fc));

    AttenuationControl::Context ac;
    ac.scrlAtten = ui_.scrlAtten;
    ac.panel = panel_.get();
    ac.sender = sender_.get();
    ac.messages = services_.messages;
    ac.iniPath = services_.iniPath;
    attenuation_ = std::make_unique<AttenuationControl>(std::move(ac));

    if (services_.arp != nullptr) {
        arp_ = services_.arp;
    } else {
        ownArp_ = std::make_unique<LinuxArpLookup>();
        arp_ = ownArp_.get();
    }

    FeedbackConfirmation::Context cc;
    cc.ui = &ui_;
    cc.panel = panel_.get();
    cc.messages = services_.messages;
    cc.iniPath = services_.iniPath;
    confirmation_ = std::make_unique<FeedbackConfirmation>(std::move(cc));

    timerRemoteSent.setObjectName(QStringLiteral("timerRemoteSent"));
    FeedbackProcessor::Context fp;
    fp.messages = services_.messages;
    fp.arp = arp_;
    fp.iniPath = services_.iniPath;
    fp.discoveryMode = [this] { return AutoDiscoverAwaiting; };
    fp.discoveryWindowOpen = [this] {
        return findChild<frmPaging*>(QString(), Qt::FindDirectChildrenOnly) != nullptr;
    };
    fp.stopReplyTimer = [this] { timerRemoteSent.stop(); };
    fp.waitForMac = [this](const QString& ip) { return waitForMac(ip); };
    fp.confirm = [this](const FeedbackRecord& r) { confirmation_->confirm(r); };
    fp.reloadList = [this] { Load_Config(); };
    fp.sRemoteMacAddress2 = &sRemoteMacAddress2;
    fp.discoveryWrites = discoveryWrites_.get();
    feedback_ = std::make_unique<FeedbackProcessor>(std::move(fp));
    connect(endpoint_.get(), &ManagementEndpoint::feedbackRecordArrived, this,
            &frmMain::Process_Feedback);

    ConfigurationSender::Context cs;
    cs.ui = &ui_;
    cs.messages = services_.messages;
    cs.sender = sender_.get();
    cs.timerRemoteSent = &timerRemoteSent;
    cs.iniPath = services_.iniPath;
    configurationSender_ = std::make_unique<ConfigurationSender>(std::move(cs));

    MainToolbar::Context tc;
    tc.ui = &ui_;
    tc.messages = services_.messages;
    tc.ClearElementPanel = [this] { ClearElementPanel(); };
    tc.Load_Config = [this] { Load_Config(); };
    tc.SaveChanges = [this] { SaveChanges(); };
    tc.showPaging = [this] { showPaging(); };
    toolbar_ = std::make_unique<MainToolbar>(std::move(tc));

    IcmpEcho* icmp = services_.icmp;
    if (icmp == nullptr) {
        systemIcmp_ = std::make_unique<SystemIcmpEcho>();
        icmp = systemIcmp_.get();
    }
    ping_ = std::make_unique<ElementPing>(ui_.cmdPing, ui_.txtElementIP, icmp, services_.messages);

    levelMeter_ = std::make_unique<AudioLevelMeter>(
        AudioLevelMeter::Controls{ui_.VUMeter, ui_.lblVolume, ui_.chkGetVolume, &tmrVolume}, sender_.get(),
        endpoint_.get());

    DiagnosticsContext dc;
    dc.selectedMac = [this] { return selectedElementMac(); };
    dc.elementType = [this] { return ui_.lblElementType->text(); };
    dc.localAddress = [this] { return strLocalNMSIPAddress; };
    dc.iniPath = services_.iniPath;
    dc.messages = services_.messages;
    dc.programEnd = services_.programEnd;
    dc.settings = services_.settings;
    diagnosticsWindows_ = std::make_unique<DiagnosticsWindows>(ui_.cmdGetStats, ui_.cmdAdjust, std::move(dc), this);

    FleetMonitor::Context fm;
    fm.TreeView1 = ui_.TreeView1;
    fm.lblFleetStatus = ui_.lblFleetStatus;
    fm.spnFleetInterval = ui_.spnFleetInterval;
    fm.lstEvents = ui_.lstEvents;
    fm.iniPath = services_.iniPath;
    fm.settings = services_.settings;
    fm.notifier = services_.notifier;
    if (fm.notifier == nullptr) {
        ownNotifier_ = std::make_unique<FreedesktopNotifier>();
        fm.notifier = ownNotifier_.get();
    }
    fm.eventLogPath = services_.eventLogPath;
    fm.windowActive = [this] { return isActiveWindow(); };
    fleet_ = std::make_unique<FleetMonitor>(std::move(fm));

    // The menu bar; a behaviour's dock or element action joins it here (addViewToggle,
    // addElementAction).
    menus_ = std::make_unique<ApplicationMenus>(
        ApplicationMenus::Context{this, &ui_, services_.settings});
    windowMemory_ = std::make_unique<WindowMemory>(this, services_.windowLayout);
    filter_ = std::make_unique<ElementFilter>(ui_.txtFilter, ui_.TreeView1);
    tray_ = std::make_unique<FleetTrayIcon>(FleetTrayIcon::Context{
        fleet_.get(), QApplication::windowIcon(), [this] { bringToFront(); }, [this] { close(); }});
    if (ownNotifier_)
        ownNotifier_->setFallback([this](const QString& title, const QString& text) {
            return tray_->showMessage(title, text);
        });
}

frmMain::~frmMain() = default;

void frmMain::fatal(const QString& text) {
    services_.messages->error(text);
    services_.programEnd->end(1);
}

bool frmMain::startUp() {
    // 1. The edition, from the whole argument text.
    const Edition edition = Edition::fromArgumentText(services_.argumentText);
    GPSDOEdition = edition.GPSDOEdition;
    LowLatencyOn = edition.LowLatencyOn;

    // 2. The interface in use.
    strLocalNMSIPAddress =
        services_.settings->value(SettingKeys::NmsIpAddress, QStringLiteral("0.0.0.0"));

    // 3. One instance per user.
    if (!services_.instanceLock->tryAcquire()) {
        services_.messages->show(
            {QStringLiteral("Veltrana Tessovar NMS is already running (check the icon in system "
                            "tray)!"),
             QStringLiteral("Veltrana Tessovar NMS"), MsgIcon::Information, MsgButtons::Ok});
        // Besides the message, the running instance is asked to show its window.
        if (!services_.instanceChannel.isEmpty())
            InstanceChannel::askToRaise(services_.instanceChannel);
        services_.programEnd->end(0);
        return false;
    }
    listenForOtherInstances();
    // No other instance of this user runs now: what a killed one left half-written goes.
    DatabaseFile::removeAbandonedTemporaries(services_.iniPath);

    // 4. The notice, until the operator has ticked that it was read.
    if (settingAsNumber(*services_.settings, SettingKeys::Eula) == 0) {
        frmDisclaimer notice(*services_.settings, this);
        notice.exec();
    }

    // 5. Audio monitoring waits for an encoder to be shown.
    ui_.toolbarButton[Toolbar::StartAudioMonitoring]->setEnabled(false);
    ui_.toolbarButton[Toolbar::StopAudioMonitoring]->setEnabled(false);

    // 6. The element list; then what keeps this run's changes from being kept, said once.
    Load_Config();
    for (const QString& note :
         {DatabaseFile::readOnlyText(services_.iniPath), services_.settings->problem()})
        if (!note.isEmpty())
            services_.messages->show({note, QString(), MsgIcon::Exclamation, MsgButtons::Ok});

    // 7. The interface list; the selection may store a new address and bind.
    LocalAddressList failure;
    if (!interfaceChooser_->LoadNMSInterfaces(&failure)) {
        fatal(failure.errorText());
        return false;
    }

    // 8. The management endpoint.
    if (!endpoint_->bindLocal(strLocalNMSIPAddress)) {
        fatal(ElementSender::failureText(102, endpoint_->errorString()));
        return false;
    }

    // 9. Title and the buffer range of this edition.
    setWindowTitle(::windowTitle(edition));
    ui_.scrlBuffer->setMaximum(edition.bufferMaximum);

    // 10. Where the operator left it, with every dock as it was.
    windowMemory_->restore();
    show();
    tray_->show();
    // Then the fleet check starts pinging the elements of the list.
    fleet_->start();
    return true;
}

void frmMain::listenForOtherInstances() {
    if (services_.instanceChannel.isEmpty())
        return;
    instanceChannel_ = std::make_unique<InstanceChannel>(services_.instanceChannel);
    connect(instanceChannel_.get(), &InstanceChannel::raiseRequested, this, &frmMain::bringToFront);
    // Without the channel a second launch still shows its message; nothing else depends on it.
    instanceChannel_->listen();
}

void frmMain::bringToFront() {
    // A modal window (the notice, a message, a diagnostics window) is what the operator
    // has to answer first; before start-up shows the main window there is nothing else.
    QWidget* top = QApplication::activeModalWidget();
    if (top == nullptr && isVisible())
        top = this;
    if (top == nullptr)
        return;
    top->setWindowState((top->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    top->raise();
    top->activateWindow();
}

void frmMain::Load_Config() { elementList_->Load_Config(); }

void frmMain::ClearElementPanel() { panel_->ClearElementPanel(); }

void frmMain::Auto_Discover() { toolbar_->Auto_Discover(); }

void frmMain::Refresh_List() { toolbar_->Refresh_List(); }

void frmMain::SaveChanges() { configurationSender_->SaveChanges(); }

void frmMain::SendConfiguration() { configurationSender_->SendConfiguration(); }

void frmMain::Process_Feedback(const QByteArray& datagram) { feedback_->Process_Feedback(datagram); }

const FeedbackRecord& frmMain::lastFeedback() const { return feedback_->last(); }

QString frmMain::UDP_Response_IP() const { return feedback_->last().UDP_Response_IP; }

QString frmMain::waitForMac(const QString& ip) {
    sRemoteMacAddress2.clear();
    getMACTimeout = 20;
    frmWaiting::Fields f;
    f.sRemoteMacAddress2 = &sRemoteMacAddress2;
    f.getMACTimeout = &getMACTimeout;
    f.getMACTimeoutCount = &getMACTimeoutCount;
    frmWaiting window(*arp_, ip, f, this);
    window.exec();
    return window.result();
}

void frmMain::showPaging() {
    frmPaging::Context pc;
    pc.ui = &ui_;
    pc.endpoint = endpoint_.get();
    pc.messages = services_.messages;
    pc.iniPath = services_.iniPath;
    pc.AutoDiscoverAwaiting = &AutoDiscoverAwaiting;
    pc.Load_Config = [this] { Load_Config(); };
    pc.bindEndpoint = [this] { return endpoint_->bindLocal(strLocalNMSIPAddress); };
    pc.discoveryWrites = discoveryWrites_.get();
    pc.lookupsPending = [this] { return feedback_->lookupsPending(); };
    frmPaging window(std::move(pc), this);
    window.exec();
}

QString frmMain::ReadFromINI(const QString& section, const QString& key,
                             const QString& fallback) const {
    return IniStore::ReadFromINI(section, key, services_.iniPath, fallback);
}

IniWriteResult frmMain::WriteToINI(const QString& section, const QString& key,
                                  const QString& value) const {
    return IniStore::WriteToINI(section, key, value, services_.iniPath);
}

QString frmMain::Encode_MAC(const QString& mac) { return MacSection::Encode_MAC(mac); }

QString frmMain::Decode_MAC(const QString& sectionName) {
    return MacSection::Decode_MAC(sectionName);
}

double frmMain::Log10(double x) { return LevelReport::Log10(x); }

QString frmMain::selectedElementMac() const { return ui_.lblElementMAC->text(); }

void frmMain::closeEvent(QCloseEvent* event) {
    endpoint_->close();
    QMainWindow::closeEvent(event);
}
