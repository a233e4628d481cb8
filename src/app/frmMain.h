#pragma once
// The main window.  It owns the widgets and composes one object per behaviour; the
// public operations and fields here are what the other windows use.

#include "Services.h"
#include "core/database/IniWriteResult.h"
#include "views/MainWindowUi.h"

#include <QMainWindow>
#include <QString>
#include <QTimer>

#include <memory>

class ApplicationMenus;
class WindowMemory;
class ArpLookup;
class AttenuationControl;
class ConfigurationSender;
class FeedbackConfirmation;
class FeedbackProcessor;
class MainToolbar;
struct FeedbackRecord;
class AudioLevelMeter;
class AudioWatchMonitor;
class DiagnosticsWindows;
class ElementPing;
class IcmpEcho;
class ElementFilter;
class ElementList;
class ElementPanel;
class ElementSender;
class FreedesktopNotifier;
class FleetTrayIcon;
class FieldEditor;
class InstanceChannel;
class FleetMonitor;
class ConfigurationHistory;
class HistoryCommands;
class HistoryPanelLoad;
class InterfaceChooser;
class ManagementEndpoint;
class WriteFailureReport;

class frmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit frmMain(Services services, QWidget* parent = nullptr);
    ~frmMain() override;

    // The start-up of the main window; shows it at the end.  Returns false when the
    // program ended during start-up (second instance, fatal message).
    bool startUp();

    // Public operations used by the other windows.
    void Load_Config();
    void ClearElementPanel();
    // The toolbar and what it starts.
    void Auto_Discover();
    void Refresh_List();
    void SaveChanges();
    void SendConfiguration();
    // A configuration feedback record handed over by the management endpoint.
    void Process_Feedback(const QByteArray& datagram);
    QString ReadFromINI(const QString& section, const QString& key, const QString& fallback) const;
    IniWriteResult WriteToINI(const QString& section, const QString& key,
                              const QString& value) const;
    static QString Encode_MAC(const QString& mac);
    static QString Decode_MAC(const QString& sectionName);
    static double Log10(double x);

    // Public fields.
    QString strLocalNMSIPAddress = QStringLiteral("0.0.0.0");
    bool AutoDiscoverAwaiting = false;
    bool GPSDOEdition = false;
    bool LowLatencyOn = false;
    // The MAC lookup of a confirmation (the wait window frmWaiting).
    QString sRemoteMacAddress2;
    quint8 getMACTimeout = 0;
    quint8 getMACTimeoutCount = 0;

    // The reply time-out of a sent configuration: 3000 ms, one shot.
    QTimer timerRemoteSent;

    // The audio level meter's request timer: 50 ms at start (Slider1 changes it), stopped.
    // The properties panel stops it whenever the element type shown changes.
    QTimer tmrVolume;

    MainWindowUi& ui() { return ui_; }
    const Services& services() const { return services_; }
    const QString& iniPath() const { return services_.iniPath; }
    ManagementEndpoint& endpoint() { return *endpoint_; }
    ElementSender& sender() { return *sender_; }
    InterfaceChooser& interfaceChooser() { return *interfaceChooser_; }
    ElementList& elementList() { return *elementList_; }
    ElementPanel& panel() { return *panel_; }
    FieldEditor& fieldEditor() { return *fieldEditor_; }
    AttenuationControl& attenuation() { return *attenuation_; }
    MainToolbar& toolbar() { return *toolbar_; }
    ConfigurationSender& configurationSender() { return *configurationSender_; }
    // The last feedback record decoded (UDP_Response_IP and its siblings).
    const FeedbackRecord& lastFeedback() const;
    const FeedbackProcessor& feedbackProcessor() const { return *feedback_; }
    QString UDP_Response_IP() const;
    AudioLevelMeter& levelMeter() { return *levelMeter_; }
    ElementPing& ping() { return *ping_; }
    DiagnosticsWindows& diagnosticsWindows() { return *diagnosticsWindows_; }
    FleetMonitor& fleetMonitor() { return *fleet_; }
    ConfigurationHistory& history() { return *history_; }
    HistoryPanelLoad& historyLoad() { return *historyLoad_; }
    HistoryCommands& historyCommands() { return *historyCommands_; }
    AudioWatchMonitor& audioWatch() { return *audioWatch_; }
    ApplicationMenus& menus() { return *menus_; }
    FleetTrayIcon& trayIcon() { return *tray_; }
    // The MAC text of the selected element ("-" when none).
    QString selectedElementMac() const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void fatal(const QString& text);
    void listenForOtherInstances();
    void bringToFront(); // asked by a second instance
    QString waitForMac(const QString& ip);
    void showPaging();

    Services services_;
    MainWindowUi ui_;
    std::unique_ptr<ManagementEndpoint> endpoint_;
    std::unique_ptr<WriteFailureReport> discoveryWrites_; // told once per discovery
    std::unique_ptr<ElementSender> sender_;
    std::unique_ptr<InterfaceChooser> interfaceChooser_;
    std::unique_ptr<ElementList> elementList_;
    std::unique_ptr<ElementPanel> panel_;
    std::unique_ptr<FieldEditor> fieldEditor_;
    std::unique_ptr<AttenuationControl> attenuation_;
    std::unique_ptr<ArpLookup> ownArp_;
    ArpLookup* arp_ = nullptr;
    std::unique_ptr<FeedbackConfirmation> confirmation_;
    std::unique_ptr<FeedbackProcessor> feedback_;
    std::unique_ptr<ConfigurationSender> configurationSender_;
    std::unique_ptr<MainToolbar> toolbar_;
    std::unique_ptr<IcmpEcho> systemIcmp_;
    std::unique_ptr<ElementPing> ping_;
    std::unique_ptr<AudioLevelMeter> levelMeter_;
    std::unique_ptr<DiagnosticsWindows> diagnosticsWindows_;
    std::unique_ptr<InstanceChannel> instanceChannel_;
    std::unique_ptr<FreedesktopNotifier> ownNotifier_;
    std::unique_ptr<FleetMonitor> fleet_;
    std::unique_ptr<ConfigurationHistory> history_;
    std::unique_ptr<HistoryPanelLoad> historyLoad_;
    std::unique_ptr<HistoryCommands> historyCommands_;
    std::unique_ptr<AudioWatchMonitor> audioWatch_;
    std::unique_ptr<ApplicationMenus> menus_;
    std::unique_ptr<WindowMemory> windowMemory_;
    std::unique_ptr<ElementFilter> filter_;
    std::unique_ptr<FleetTrayIcon> tray_;
};
