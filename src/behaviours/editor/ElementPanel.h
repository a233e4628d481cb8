#pragma once
// The properties panel: showing the selected element from its record (NodeClick), the
// role layout applied on every change of the role caption, the audio-routing rule, the
// latency text of the decoder buffer, and ClearElementPanel.
//
// For the other behaviours of the main window (feedback processing, send configuration,
// discovery, meter), the rules that keep the panel consistent:
// - The role caption lblElementType is changed only through setElementType(); it applies
//   the role layout whenever the caption changes.
// - Scroll bar values set by the program go through setBarValue() (or setValue(), which
//   has the same effect when the value changes): the bar's display text always follows,
//   and a value set by the program never sends the attenuation command.
// - Setting the selected index of cmbSilDetMode re-applies the audio-routing rule by
//   itself; ticking chkLowLatency updates LowLatencyOn and the latency text by itself.
// - The selected element is selectedMac() (the caption of lblElementMAC, "-" for none);
//   its section is selectedSection().
// - Send configuration reads the panel's controls directly (MainWindowUi): the texts of
//   the five text fields, the indexes of the four lists, the two check boxes and the
//   values of scrlBuffer, scrlSilDetLevel and scrlSilDetTime.

#include "PanelUpdates.h"

#include <QObject>
#include <QString>

class MessageBoxes;
class QScrollBar;
class QTimer;
class QTreeWidgetItem;
struct MainWindowUi;

class ElementPanel : public QObject, public PanelUpdates {
    Q_OBJECT
public:
    struct Context {
        MainWindowUi* ui = nullptr;
        QString iniPath;
        MessageBoxes* messages = nullptr;
        QTimer* tmrVolume = nullptr;        // the level meter's request timer
        const bool* GPSDOEdition = nullptr; // frmMain's edition flag
        bool* LowLatencyOn = nullptr;       // frmMain's low-latency flag
    };

    static inline const QString None = QStringLiteral("-");

    explicit ElementPanel(Context context, QObject* parent = nullptr);

    // TreeView1 NodeClick: fills the panel from the node's element record.
    void NodeClick(const QTreeWidgetItem* node);
    void showElement(const QString& key, const QString& text);

    // The panel's empty state; the level meter stops, and the toolbar's meter buttons,
    // "Get..." and "Adjust..." are disabled until an element is shown again.
    void ClearElementPanel();

    // The role caption, and the role layout applied when it changes.
    void setElementType(const QString& caption) override;
    QString elementType() const;
    void applyRoleLayout();
    void applyAudioRouting();

    // The latency text of buffer value v with the current flags; and lblLatency set to
    // that of the current scrlBuffer value.
    QString latencyText(int v) const;
    void showLatency();

    // Sets a panel scroll bar (brought into its range) and refreshes its display text.
    void setBarValue(QScrollBar* bar, int value) override;
    void refreshBarText(QScrollBar* bar);

    // "Decoder IP:" or "Multicast IP:", with the remote address field named after it.
    void setRemoteCaption(const QString& caption);

    QString selectedMac() const;
    QString selectedSection() const;

private:
    MainWindowUi& ui() const { return *ctx_.ui; }

    Context ctx_;
};
