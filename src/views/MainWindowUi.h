#pragma once
// The main window's widget tree.  frmMain owns it; the behaviours get the controls they
// read and write from it.  Controls carry the system's names as object names, and every
// control can be read by a screen reader: an input or a fixed button by its caption, a
// control that shows a value by that value, tied to its caption.

#include "OperatorScrollBar.h"

#include <QColor>
#include <QIcon>
#include <QString>
#include <QStringList>

#include <array>

class ElementTree;
class LevelBar;
class QAction;
class QCheckBox;
class QComboBox;
class QDockWidget;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMainWindow;
class QPushButton;
class QSlider;
class QSpinBox;
class QToolBar;
class QTreeWidget;
class QWidget;

struct MainWindowUi {
    void build(QMainWindow* window);

    // Toolbar1: buttons 1 to 7 as the operator counts them (3 and 5 are separators);
    // index 0 is unused.
    QToolBar* Toolbar1 = nullptr;
    std::array<QAction*, 8> toolbarButton{};

    // ImageList1, by the image numbers the tree uses: 6 the encoder, 7 any other element.
    std::array<QIcon, 8> ImageList1{};

    QGroupBox* frmTreeView = nullptr; // "Elements", then "Select element: (N items)"
    QLineEdit* txtFilter = nullptr; // above the tree: shows only the elements that match
    ElementTree* TreeView1 = nullptr;

    // frmProperties, "Element properties:".  Left column.
    QGroupBox* frmProperties = nullptr;
    QLabel* lblElementType = nullptr; // "ENCODER", "DECODER", "UNKNOWN", "-"
    QLabel* lblElementMAC = nullptr;  // the selected element, "-" for none
    QLabel* lblVersion = nullptr;
    QLabel* lblSerialNumber = nullptr;
    QLineEdit* txtElementName = nullptr;
    QLineEdit* txtElementIP = nullptr;
    QLineEdit* txtElementGW = nullptr;
    QLineEdit* txtElementMask = nullptr;
    QComboBox* cmbNMSIPAddr = nullptr;
    QLineEdit* txtVLAN_OM = nullptr;
    QLineEdit* txtVLAN_Audio = nullptr;

    // Right column.
    QComboBox* cmbAudioType = nullptr;
    QLabel* Label9 = nullptr; // "Audio source:" (encoder) / "Audio atten:" (decoder)
    QComboBox* cmbAudioInput = nullptr;
    OperatorScrollBar* scrlAtten = nullptr;
    QLabel* lblAttenDB = nullptr;
    QComboBox* cmbAudioTX = nullptr;
    QLabel* Label15 = nullptr; // "Unicast / Multicast", shown where cmbAudioTX is hidden
    QLabel* Label7 = nullptr;  // "Decoder IP:" / "Multicast IP:"
    QLineEdit* txtRemoteIP = nullptr;
    QLabel* lblRemoteNA = nullptr; // "N/A", shown where txtRemoteIP is hidden
    QCheckBox* chkSFNEnabled = nullptr;
    QPushButton* cmdAdjust = nullptr;
    QLabel* lblBufferSize = nullptr; // "Buffer size:"
    OperatorScrollBar* scrlBuffer = nullptr;
    QLabel* lblLatency = nullptr;
    QComboBox* cmbSilDetMode = nullptr;
    QLabel* lblThreshold = nullptr; // "Threshold:"
    OperatorScrollBar* scrlSilDetLevel = nullptr;
    QLabel* lblSilDetLevel = nullptr;
    QLabel* lblTimeout = nullptr; // "Timeout:"
    OperatorScrollBar* scrlSilDetTime = nullptr;
    QLabel* lblSilDetTime = nullptr;
    QCheckBox* chkLowLatency = nullptr;
    QComboBox* cmbEncoders = nullptr; // never shown
    QLabel* lblNMSIPAddr = nullptr;   // "NMS interface:"

    // frmDiagnostics, "Diagnostics:".
    QGroupBox* frmDiagnostics = nullptr;
    QPushButton* cmdPing = nullptr;
    QPushButton* cmdGetStats = nullptr;
    LevelBar* VUMeter = nullptr;
    QLabel* lblVolume = nullptr;
    QCheckBox* chkGetVolume = nullptr; // never shown: the switch of the level meter
    QSlider* Slider1 = nullptr;        // the level meter's request interval, ms

    QListWidget* lstHidden = nullptr; // never shown: the section names of the last load

    // The fleet check (FleetViewsUi.cpp): its line in the status bar, the interval control
    // beside it, and the event log dock.
    QLabel* lblFleetStatus = nullptr;     // "24 elements: 23 answering, 1 not answering"
    QSpinBox* spnFleetInterval = nullptr; // seconds, 5 to 300; its minimum, 4, shows "Off"
    QDockWidget* dockEvents = nullptr;    // "Events"
    QTreeWidget* lstEvents = nullptr;     // time, element, change; newest last

    // The audio watch (AudioWatchViewsUi.cpp): a dock beside the Events.
    QDockWidget* dockAudioWatch = nullptr; // "Audio watch"
    QCheckBox* chkWatchAll = nullptr;      // "Watch all encoders", partly checked for some
    QLabel* lblAudioWatch = nullptr;       // "3 encoders watched: 1 silent"
    QTreeWidget* lstAudioWatch = nullptr;  // one AudioWatchRow per encoder

private:
    void buildToolbar(QMainWindow* window);
    void buildFleet(QMainWindow* window); // FleetViewsUi.cpp
    void buildAudioWatch(QMainWindow* window);  // AudioWatchViewsUi.cpp, after buildFleet
    QWidget* buildProperties(QWidget* parent);  // PropertiesPanelUi.cpp
    QWidget* buildDiagnostics(QWidget* parent); // PropertiesPanelUi.cpp
};

namespace Toolbar {
inline constexpr int AutoDiscover = 1;
inline constexpr int RefreshList = 2;
inline constexpr int SaveChanges = 4;
inline constexpr int StartAudioMonitoring = 6;
inline constexpr int StopAudioMonitoring = 7;
} // namespace Toolbar

namespace FleetInterval {
inline constexpr int Off = 4; // the interval control's minimum, shown as "Off"
inline constexpr int Minimum = 5;
inline constexpr int Maximum = 300;
} // namespace FleetInterval

namespace ElementImages {
inline constexpr int Encoder = 6;
inline constexpr int OtherElement = 7;
} // namespace ElementImages

// The ping indicator's reset colour.
inline QColor pingResetColour() {
    return QColor(255, 255, 192);
}

// A graphical button's background colour (cmdPing): set and read back.
void setButtonBackground(QPushButton* button, const QColor& colour);
QColor buttonBackground(const QPushButton* button);

// Fixes a button's width to that of the widest of the captions it shows, so the controls
// beside it stay where they are whatever it shows.
void keepWidthForCaptions(QPushButton* button, const QStringList& captions);
