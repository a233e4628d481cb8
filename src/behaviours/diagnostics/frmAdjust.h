#pragma once
// The SFN adjustment window: a decoder's measured network latency (minimum, maximum,
// average) with the fixed MAC and audio interface latencies added, and the additional
// delay and auto servo the operator sets.  Modal; while open it owns UDP port 2978
// (udpClient3), asks with "GetDel", refreshes every second on request, and resets the
// element's counters 250 ms after a Set when auto clear is on.

#include "core/common/OneBoxAtATime.h"
#include "core/diagnostics/DiagnosticsContext.h"

#include <QDialog>

class DiagnosticsPort;
class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QSlider;
class QTimer;

class frmAdjust : public QDialog {
    Q_OBJECT
public:
    explicit frmAdjust(DiagnosticsContext context, QWidget* parent = nullptr);
    ~frmAdjust() override;

    // The opening steps.  Returns false when port 2978 could not be used (the message was
    // shown; DiagnosticsContext::openPort says when the program ends); the caller then
    // does not show the window.
    bool openWindow();

    void Refresh();       // cmdRefresh, Timer2, end of opening: "GetDel"
    void Set();           // cmdSet
    void ResetCounters(); // cmdResetStats
    void done(int result) override; // closing: "dly"/"srv" after a Set, then the reminder

    qint32 additionalDelay() const { return additionalDelay_; }
    bool parametersSent() const { return parametersSent_; }
    DiagnosticsPort& udpClient3() { return *udpClient3_; }

    // The element's last reported values.
    qint32 UDP_Response_PTP_Propagation_Delay_Average = 0;
    qint32 UDP_Response_PTP_Propagation_Delay_Minimum = 0;
    qint32 UDP_Response_PTP_Propagation_Delay_Maximum = 0;
    double UDP_Response_PTP_Additional_Delay = 0;
    quint8 UDP_Response_PTP_Auto_Servo = 0;

    // "Measurements:"
    QGroupBox* frmMeasurements = nullptr;
    QLabel* lblCurrentDelayMIN = nullptr;
    QLabel* lblCurrentDelayMAX = nullptr;
    QLabel* lblCurrentDelayAVG = nullptr;
    QLabel* lblFixedLatencyMAC = nullptr;
    QLabel* lblFixedLatencyAUDIO = nullptr;
    QLabel* lblDelaySumMIN = nullptr;
    QLabel* lblDelaySumMAX = nullptr;
    QLabel* lblDelaySumAVG = nullptr;
    QPushButton* cmdResetStats = nullptr;
    QPushButton* cmdRefresh = nullptr;
    QCheckBox* chkAutoUpdate = nullptr;
    // "Adjustments:"
    QGroupBox* frmAdjustments = nullptr;
    QLabel* lblAdditionalDelay = nullptr;
    QSlider* scrlAdditionalDelay = nullptr;
    QCheckBox* chkAutoServo = nullptr;
    QCheckBox* chkAutoClear = nullptr;
    QPushButton* cmdSet = nullptr;

    QTimer* Timer1 = nullptr; // 250 ms, once per Set: the counter reset
    QTimer* Timer2 = nullptr; // 1000 ms: auto refresh

private:
    void buildControls();
    void connectControls();
    void switchAutoRefreshOff();
    void showAdditionalDelay(); // from the slider
    void recordArrived(const QByteArray& datagram);
    void decodeReply(const QByteArray& record);
    bool sendToElement(const QByteArray& request);

    DiagnosticsContext ctx_;
    DiagnosticsPort* udpClient3_;
    OneBoxAtATime boxes_; // every box of the window goes through it (ctx_.messages)
    qint32 additionalDelay_ = 0;
    bool parametersSent_ = false;
};
