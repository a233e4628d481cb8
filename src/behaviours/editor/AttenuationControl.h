#pragma once
// The live attenuation of a decoder: while the operator moves scrlAtten, every step
// (arrow, page, key, wheel, or the end of a drag) sends the attenuation command to the
// element's stored address and then stores the value in the record's "att".  Values the
// program sets (a selection, a confirmation) only refresh the bar's text.
//
// The operator is recognised by the bar's own action signals: an action raised by the
// mouse, keyboard, wheel or context menu precedes the value change it causes, while
// setValue() from the program raises none; the context menu's "Scroll here", which sets
// the value directly, is recognised by the bar itself (OperatorScrollBar).  During a drag
// the value follows the handle without sending, and the release sends once if the value
// moved.
//
// A record without a usable "ip" (a hand-edited database) sends nothing and stores
// nothing: "Unable to reach the element..." is told once for a run of steps, as a value
// that cannot be stored is (not at every step of the bar).  A step that reached nothing
// puts the bar back to the stored value.

#include "core/database/WriteFailureReport.h"

#include <QObject>
#include <QString>

#include <optional>

class ElementPanel;
class ElementSender;
class MessageBoxes;
class OperatorScrollBar;

class AttenuationControl : public QObject {
    Q_OBJECT
public:
    struct Context {
        OperatorScrollBar* scrlAtten = nullptr;
        ElementPanel* panel = nullptr;
        ElementSender* sender = nullptr;
        MessageBoxes* messages = nullptr;
        QString iniPath;
    };

    explicit AttenuationControl(Context context, QObject* parent = nullptr);

    // Sends the 2-byte command to the selected element through the common sender
    // (port 2977, error 103).  False when nothing was sent.
    bool SendAttenuation(quint8 value);

private:
    void operatorMoved(int value);

    Context ctx_;
    WriteFailureReport writes_;
    bool operatorStep_ = false;
    int valueAtPress_ = -1;
    std::optional<QString> unreachableToldFor_; // the section told of, in this run
};
