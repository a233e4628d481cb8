#pragma once
// The start-up notice, shown until the operator ticks that it was read.

#include <QDialog>

class QCheckBox;
class QPushButton;
class SettingsStore;

class frmDisclaimer : public QDialog {
    Q_OBJECT
public:
    explicit frmDisclaimer(SettingsStore& settings, QWidget* parent = nullptr);

    QCheckBox* chkAgree = nullptr;
    QPushButton* cmdClose = nullptr;

    static QString supportAddress() { return QStringLiteral("support@veltrana.com"); }
};
