#include "QtMessageBoxes.h"

#include <QFile>
#include <QMessageBox>

MsgAnswer QtMessageBoxes::show(const MessageRequest& request) {
    QMessageBox box(parent_);
    box.setWindowTitle(request.title.isEmpty() ? applicationTitle() : request.title);
    QString text = request.text;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    box.setText(text);
    switch (request.icon) {
    case MsgIcon::Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    case MsgIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case MsgIcon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    case MsgIcon::Exclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case MsgIcon::None:
        break;
    }
    if (request.buttons == MsgButtons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::No);
        return box.exec() == QMessageBox::Yes ? MsgAnswer::Yes : MsgAnswer::No;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return MsgAnswer::Ok;
}

QString LoggingMessageBoxes::iconName(MsgIcon icon) {
    switch (icon) {
    case MsgIcon::Critical:
        return QStringLiteral("critical");
    case MsgIcon::Information:
        return QStringLiteral("information");
    case MsgIcon::Question:
        return QStringLiteral("question");
    case MsgIcon::Exclamation:
        return QStringLiteral("exclamation");
    case MsgIcon::None:
        break;
    }
    return QStringLiteral("none");
}

MsgAnswer LoggingMessageBoxes::show(const MessageRequest& request) {
    QFile f(path_);
    if (f.open(QIODevice::Append)) {
        QString text = request.text;
        text.replace(u'\r', QStringLiteral("\\r")).replace(u'\n', QStringLiteral("\\n"));
        const QString title = request.title.isEmpty() ? applicationTitle() : request.title;
        f.write((iconName(request.icon) + u'\t' + title + u'\t' + text + u'\n').toUtf8());
    }
    if (request.buttons == MsgButtons::YesNo)
        return answerYes_ ? MsgAnswer::Yes : MsgAnswer::No;
    return MsgAnswer::Ok;
}
