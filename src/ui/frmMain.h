#pragma once
// The main window.  It owns the widgets and composes one object per behaviour; the
// public operations and fields here are what the other windows use.

#include "MainWindowUi.h"
#include "Services.h"

#include <QMainWindow>
#include <QString>

#include <memory>

class ElementSender;
class InterfaceChooser;
class ManagementEndpoint;

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
    QString ReadFromINI(const QString& section, const QString& key, const QString& fallback) const;
    void WriteToINI(const QString& section, const QString& key, const QString& value) const;
    static QString Encode_MAC(const QString& mac);
    static QString Decode_MAC(const QString& sectionName);
    static double Log10(double x);

    // Public fields.
    QString strLocalNMSIPAddress = QStringLiteral("0.0.0.0");
    bool AutoDiscoverAwaiting = false;
    bool GPSDOEdition = false;
    bool LowLatencyOn = false;

    MainWindowUi& ui() { return ui_; }
    const Services& services() const { return services_; }
    const QString& iniPath() const { return services_.iniPath; }
    ManagementEndpoint& endpoint() { return *endpoint_; }
    ElementSender& sender() { return *sender_; }
    InterfaceChooser& interfaceChooser() { return *interfaceChooser_; }
    // The MAC text of the selected element ("-" when none).
    QString selectedElementMac() const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void fatal(const QString& text);

    Services services_;
    MainWindowUi ui_;
    std::unique_ptr<ManagementEndpoint> endpoint_;
    std::unique_ptr<ElementSender> sender_;
    std::unique_ptr<InterfaceChooser> interfaceChooser_;
};
