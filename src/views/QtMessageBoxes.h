#pragma once

#include "core/common/MessageBoxes.h"

class QWidget;

// Real modal message boxes.  The texts keep the system's single-CR line breaks; they are
// shown as line breaks.
class QtMessageBoxes final : public MessageBoxes {
public:
    explicit QtMessageBoxes(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }
    MsgAnswer show(const MessageRequest& request) override;

private:
    QWidget* parent_;
};

// For driving the real program from scripts and process tests: when the environment
// names a file in TESSOVAR_MESSAGE_LOG, boxes are not shown; each is appended to that file
// as one line "icon<TAB>title<TAB>text" (CR written as \r) and answered with Yes when
// TESSOVAR_MESSAGE_ANSWER is "yes", otherwise with the default button (OK, or No).
class LoggingMessageBoxes final : public MessageBoxes {
public:
    explicit LoggingMessageBoxes(QString path, bool answerYes)
        : path_(std::move(path)), answerYes_(answerYes) {}
    MsgAnswer show(const MessageRequest& request) override;
    static QString iconName(MsgIcon icon);

private:
    QString path_;
    bool answerYes_;
};
