#pragma once
// A menu entry that stands for one of the panel's buttons: choosing it clicks the button,
// and it is enabled exactly when the button is (and shown, since a hidden button cannot be
// clicked either), following every change the program makes to the button.

#include <QAction>

class QAbstractButton;

class ButtonAction : public QAction {
    Q_OBJECT
public:
    ButtonAction(const QString& text, QAbstractButton* button, QObject* parent);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void follow();

    QAbstractButton* button_;
};
