#pragma once
// The audio level meter of the main window: while chkGetVolume is checked, tmrVolume asks
// the element for samples with "VOL" on every tick (the common sender, element port 2977,
// error 104), and every level report that the management endpoint hands over sets the
// bar (VUMeter) and the dBFS text (lblVolume).

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
    // A datagram of more than 1200 bytes.
    void showReport(const QByteArray& report);

    int reportsShown() const { return reportsShown_; }

private:
    void switched(bool on); // chkGetVolume checked or cleared
    void showSilence();

    Controls c_;
    ElementSender* sender_;
    int reportsShown_ = 0;
    bool sending_ = false;
};
