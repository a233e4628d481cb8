#pragma once
// The main window's widget tree.  frmMain owns it; the behaviours get the controls they
// read and write from it.

#include <QString>

#include <array>

class QAction;
class QComboBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QMainWindow;
class QScrollBar;
class QToolBar;
class QTreeWidget;

struct MainWindowUi {
    void build(QMainWindow* window);

    // Toolbar1: buttons 1 to 7 as the operator counts them (3 and 5 are separators);
    // index 0 is unused.
    QToolBar* Toolbar1 = nullptr;
    std::array<QAction*, 8> toolbarButton{};

    QGroupBox* frmTreeView = nullptr;
    QTreeWidget* TreeView1 = nullptr;

    QGroupBox* frmProperties = nullptr;
    QGridLayout* propertiesGrid = nullptr;
    QLabel* lblNMSIPAddr = nullptr; // "NMS interface:"
    QComboBox* cmbNMSIPAddr = nullptr;
    QLabel* lblBufferSize = nullptr; // "Buffer size:"
    QScrollBar* scrlBuffer = nullptr;
};

namespace Toolbar {
inline constexpr int AutoDiscover = 1;
inline constexpr int RefreshList = 2;
inline constexpr int SaveChanges = 4;
inline constexpr int StartAudioMonitoring = 6;
inline constexpr int StopAudioMonitoring = 7;
} // namespace Toolbar
