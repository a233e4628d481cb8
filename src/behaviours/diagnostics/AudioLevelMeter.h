#pragma once
// The audio level meter of the main window: while chkGetVolume is checked, tmrVolume asks
// the element for samples with "VOL" on every tick (the common sender, element port 2977,
// error 104), and every level report that the management endpoint hands over from the
// element asked sets the bar (VUMeter) and the dBFS text (lblVolume).  Other elements may
// answer at the same time (the audio watch asks them): their reports never move the bar.

#include <QObject>

class ElementSender;
class LevelBar;
class ManagementEndpoint;
class QCheckBox;
class QLabel;
class QTimer;

class AudioLevelMeter : public QObject {
    Q_OBJECT
public:
    struct Controls {
        LevelBar* VUMeter = nullptr;
        QLabel* lblVolume = nullptr;
        QCheckBox* chkGetVolume = nullptr;
        QTimer* tmrVolume = nullptr;
    };

    // Reports come from `endpoint`; requests leave through `sender`.
    AudioLevelMeter(Controls controls, ElementSender* sender, ManagementEndpoint* endpoint,
                    QObject* parent = nullptr);

    // One request (a tmrVolume tick).
    void requestLevel();
    // A datagram of more than 1200 bytes from senderIpv4 (host order).
    void showReport(const QByteArray& report, quint32 senderIpv4);

    int reportsShown() const { return reportsShown_; }
    // Reports of other elements than the one asked, while the meter ran.
    int reportsPassedOver() const { return reportsPassedOver_; }

private:
    void switched(bool on); // chkGetVolume checked or cleared
    void showSilence();

    Controls c_;
    ElementSender* sender_;
    int reportsShown_ = 0;
    int reportsPassedOver_ = 0;
    quint32 asked_ = 0; // the address of the element asked
    bool sending_ = false;
};
