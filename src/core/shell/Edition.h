#pragma once
// The edition chosen by the whole command-line argument text.

#include <QString>
#include <QStringList>

struct Edition {
    bool GPSDOEdition = false;
    bool LowLatencyOn = false;
    QString titleSuffix = QStringLiteral(" - Veltrana Broadcast");
    int bufferMaximum = 22;

    // "GPS" or "LL" in any letter case, as the whole text; anything else is standard.
    static Edition fromArgumentText(const QString& text);
    // The argument text of a command line: the arguments after the program, joined by
    // single blanks.
    static QString argumentText(const QStringList& arguments);
};

// "Tessovar NMS v.4.5.0" followed by the edition's suffix.
QString windowTitle(const Edition& edition);

// The program's version, "4.5.0" (the title's numbers).
QString programVersion();
