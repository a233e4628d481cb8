#pragma once
// The outcome of a change to the element database file.  A failure carries a text that
// names the file and the reason, ready to be shown to the operator; nothing that changes
// the file may be ignored, so the type must be used.

#include <QString>

struct [[nodiscard]] IniWriteResult {
    bool ok = true;
    QString error; // empty when ok

    explicit operator bool() const { return ok; }
    static IniWriteResult success() { return {}; }
    static IniWriteResult failure(QString text) { return {false, std::move(text)}; }
};
