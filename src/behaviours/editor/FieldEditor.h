#pragma once
// The editing reactions of the properties panel: the text fields select their content on
// focus, the name is upper-cased on leaving it and takes only characters of the 8-bit code
// page, the address fields are coloured light red while they hold an invalid address,
// cmbAudioTX reloads the remote address from the record, cmbSilDetMode applies the
// audio-routing rule, chkLowLatency sets the latency scale, and Slider1 sets the interval
// of the level meter's timer.  (The scroll bars' texts are the panel's; the live
// attenuation is AttenuationControl's.)
//
// cmdGetStats: emptying txtElementIP disables it; typing an address again enables it
// once more while an element is shown (the statistics window uses the stored address).

#include <QColor>
#include <QObject>
#include <QPalette>

class ElementPanel;
class QLineEdit;
class QTimer;
struct MainWindowUi;

class FieldEditor : public QObject {
    Q_OBJECT
public:
    struct Context {
        MainWindowUi* ui = nullptr;
        ElementPanel* panel = nullptr;
        QTimer* tmrVolume = nullptr;
        bool* LowLatencyOn = nullptr;
        QString iniPath;
    };

    static QColor invalidColour() { return QColor(255, 128, 128); }

    explicit FieldEditor(Context context, QObject* parent = nullptr);

    // The reactions by their system names, also callable directly.
    void colourAddressField(QLineEdit* field);
    void cmbAudioTX_Click();
    void Slider1_Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    MainWindowUi& ui() const { return *ctx_.ui; }

    Context ctx_;
    QPalette normalPalette_;
};
