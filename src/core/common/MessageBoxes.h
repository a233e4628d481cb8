#pragma once
// Modal message boxes as a service, so each behaviour states exactly what the operator is
// told (text, title, icon, buttons) and tests can read it and give the answer.

#include <QString>

enum class MsgIcon { None, Critical, Information, Question, Exclamation };
enum class MsgButtons { Ok, YesNo };
enum class MsgAnswer { Ok, Yes, No };

struct MessageRequest {
    QString text;   // lines joined by a single CR, as the system words them
    QString title;  // empty: the application's title
    MsgIcon icon = MsgIcon::None;
    MsgButtons buttons = MsgButtons::Ok; // Yes/No boxes default to No
};

class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    virtual MsgAnswer show(const MessageRequest& request) = 0;

    // Shorthands for the kinds the system uses.
    void error(const QString& text, const QString& title = QString()) {
        show({text, title, MsgIcon::Critical, MsgButtons::Ok});
    }
    void information(const QString& text, const QString& title = QString()) {
        show({text, title, MsgIcon::Information, MsgButtons::Ok});
    }
    bool question(const QString& text, const QString& title = QString()) {
        return show({text, title, MsgIcon::Question, MsgButtons::YesNo}) == MsgAnswer::Yes;
    }
};

// The title shown by boxes that name none of their own.
inline QString applicationTitle() { return QStringLiteral("Tessovar NMS"); }
