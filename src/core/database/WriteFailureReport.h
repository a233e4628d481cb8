#pragma once
// Tells the operator of a failed change to the element database once per round of
// changes (a discovery, a run of attenuation steps) rather than once per change.

#include "IniWriteResult.h"

#include <QString>

class MessageBoxes;

class WriteFailureReport {
public:
    explicit WriteFailureReport(MessageBoxes* messages = nullptr) : messages_(messages) {}

    // A new round: its first failure is told again.
    void begin() { told_ = false; }
    // True when the change was made.  A failure is shown as an error, firstLine and the
    // result's text on two lines, unless one was already shown in this round.
    bool check(const IniWriteResult& result, const QString& firstLine);

private:
    MessageBoxes* messages_ = nullptr;
    bool told_ = false;
};
