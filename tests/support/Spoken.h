#pragma once
// What a screen reader says for a control, read through Qt's accessibility interface as
// the AT-SPI bridge reads it.

#include <QAccessible>
#include <QLabel>
#include <QWidget>

// The control's accessible name: what is announced as the control itself.
inline QString spokenName(QWidget* w) {
    QAccessibleInterface* i = QAccessible::queryAccessibleInterface(w);
    return i != nullptr ? i->text(QAccessible::Name) : QString();
}

// The caption announced with it: the label it is labelled by (not the frame around it),
// otherwise its accessible description; without the closing ":".
inline QString spokenCaption(QWidget* w) {
    QAccessibleInterface* i = QAccessible::queryAccessibleInterface(w);
    if (i == nullptr)
        return {};
    QString caption = i->text(QAccessible::Description);
    for (const auto& [other, relation] : i->relations(QAccessible::Label)) {
        if (qobject_cast<QLabel*>(other->object()) != nullptr) {
            caption = other->text(QAccessible::Name);
            break;
        }
    }
    if (caption.endsWith(u':'))
        caption.chop(1);
    return caption;
}
