#include "frmDisclaimer.h"

#include "core/shell/SettingsStore.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

frmDisclaimer::frmDisclaimer(SettingsStore& settings, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmDisclaimer"));
    setWindowTitle(QStringLiteral("Tessovar NMS"));
    setModal(true);

    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("Image1"));
    picture->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(48, 48));
    picture->setAlignment(Qt::AlignTop);

    auto* heading = new QLabel(QStringLiteral("IMPORTANT NOTICE!"), this);
    QFont f = heading->font();
    f.setBold(true);
    f.setPointSizeF(f.pointSizeF() * 1.3);
    heading->setFont(f);

    auto* text1 = new QLabel(
        QStringLiteral("Since NMS version 3.4.2, we made many significant changes. DO NOT use NMS "
                       "v.3.4.2 to manage Tessovar equipment with older firmware, or they will "
                       "become unusable."),
        this);
    text1->setWordWrap(true);
    auto* text2 = new QLabel(
        QStringLiteral("If you are not sure which version your Tessovar equipment has, please "
                       "consult your local dealer, or contact our support    at ") +
            supportAddress(),
        this);
    text2->setWordWrap(true);
    text2->setTextInteractionFlags(Qt::TextSelectableByMouse);

    chkAgree = new QCheckBox(
        QStringLiteral("I have read and understood all the above. Do not show this notification "
                       "again."),
        this);
    chkAgree->setObjectName(QStringLiteral("chkAgree"));
    chkAgree->setChecked(false);
    cmdClose = new QPushButton(QStringLiteral("&Close"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    cmdClose->setDefault(true);

    auto* texts = new QVBoxLayout;
    texts->addWidget(heading);
    texts->addWidget(text1);
    texts->addWidget(text2);
    auto* top = new QHBoxLayout;
    top->addWidget(picture);
    top->addLayout(texts, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(chkAgree, 1);
    bottom->addWidget(cmdClose);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(bottom);
    setMinimumWidth(480);

    // The answer is stored the moment the box changes, not when the window closes, and
    // follows its state however it changed: a click, the keyboard, or a screen reader's
    // toggle action (which does not click).
    connect(chkAgree, &QCheckBox::toggled, this, [&settings](bool ticked) {
        settings.setValue(SettingKeys::Eula, ticked ? QStringLiteral("1") : QStringLiteral("0"));
    });
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::accept);
}
