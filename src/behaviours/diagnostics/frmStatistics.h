#pragma once
// The statistics window: the traffic, audio and PTP counters of the element shown in the
// main window.  Modal; while open it owns UDP port 2978 (udpClient2), asks with
// "GetStats" on opening and on Refresh, resets the element's counters with "RstStats"
// after a confirmation, and shows every diagnostics record of at most 61 bytes.

#include "core/common/OneBoxAtATime.h"
#include "core/diagnostics/DiagnosticsContext.h"
#include "core/diagnostics/StatisticsDecoder.h"

#include <QDialog>

#include <map>

class DiagnosticsPort;
class QGroupBox;
class QLabel;
class QPushButton;

class frmStatistics : public QDialog {
    Q_OBJECT
public:
    explicit frmStatistics(DiagnosticsContext context, QWidget* parent = nullptr);
    ~frmStatistics() override;

    // The opening steps: bind port 2978, name the frame, send "GetStats".  Returns false
    // when the port could not be used (the message was shown; DiagnosticsContext::openPort
    // says when the program ends); the caller then does not show the window.
    bool openWindow();

    void Refresh();       // cmdRefreshStats
    void ResetCounters(); // cmdResetStats

    const StatisticsValues& values() const { return values_; }
    DiagnosticsPort& udpClient2() { return *udpClient2_; }

    QGroupBox* frmStats = nullptr;
    QLabel* lblMACTxOK = nullptr;
    QLabel* lblMACTxErr = nullptr;
    QLabel* lblMACRxOK = nullptr;
    QLabel* lblMACRxErr = nullptr;
    QLabel* lblAudioRxFramesOK = nullptr;
    QLabel* lblAudioRxFramesErr = nullptr;
    QLabel* lblPTPRxOK = nullptr;
    QLabel* lblPTPRxErr = nullptr;
    QLabel* lblPTPClkAdj = nullptr;
    QLabel* lblPTPLatency = nullptr;
    QPushButton* cmdRefreshStats = nullptr;
    QPushButton* cmdResetStats = nullptr;

private:
    void buildControls();
    void recordArrived(const QByteArray& datagram);
    // Sends to the element's stored address; a failure is reported and the window stays.
    bool sendToElement(const QByteArray& request);

    DiagnosticsContext ctx_;
    DiagnosticsPort* udpClient2_;
    OneBoxAtATime boxes_; // every box of the window goes through it (ctx_.messages)
    StatisticsValues values_;
    std::map<StatisticsRow, QLabel*> rowLabels_;
};
