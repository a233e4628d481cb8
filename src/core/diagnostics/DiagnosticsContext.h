#pragma once
// What a diagnostics window takes from the main window: the selected element (the MAC
// text of lblElementMAC and the role caption of lblElementType), the element database,
// the NMS's local address and the services for messages, program end and settings.
// frmMain fills it from itself; tests fill it directly.

#include "core/database/IniWriteResult.h"

#include <QByteArray>
#include <QString>

#include <functional>

class DiagnosticsPort;
class MessageBoxes;
class ProgramEnd;
class SettingsStore;

struct DiagnosticsContext {
    std::function<QString()> selectedMac;  // "-" when no element is shown
    std::function<QString()> elementType;  // "ENCODER", "DECODER", "UNKNOWN" or "-"
    std::function<QString()> localAddress; // strLocalNMSIPAddress
    QString iniPath;
    MessageBoxes* messages = nullptr;
    ProgramEnd* programEnd = nullptr;
    SettingsStore* settings = nullptr;

    // A key of the selected element's section, read from nms.ini at each call.
    QString readElement(const QString& key, const QString& fallback) const;
    IniWriteResult writeElement(const QString& key, const QString& value) const;
    // "sfn" read as a number is 1.
    bool sfnOn() const;
    bool isDecoder() const;

    // A send that failed while a window is open: the operator is told, and the window
    // and the program stay open.
    void reportSendFailure(const QString& reason) const;

    // Binds the window's port 2978.  A port another program holds (the exporter asks its
    // elements through it for a moment in every check) is waited for, up to kPortWaitMs
    // with the event loop running (the operator's input held back); still held, the
    // system's message is shown, the window does not open and the program goes on.  Any
    // other failure shows portFailureText and the program ends.  False: no window.
    bool openPort(DiagnosticsPort& port, const QString& portFailureText) const;
    static constexpr int kPortWaitMs = 3000;

    // The window's first request to the selected element's stored address.  The port
    // failing is fatal (portFailureText, then the program ends: returns false); an
    // element that cannot be reached (no usable stored address, no route to it) is only
    // reported, like every later send.
    bool sendOpeningRequest(DiagnosticsPort& port, const QByteArray& request,
                            const QString& portFailureText) const;
};

namespace DiagnosticsTexts {
inline const QString ResetQuestion =
    QStringLiteral("You will reset all counters to zero.\rAre you sure?");
inline const QString ResetTitle = QStringLiteral("Reset counters");
} // namespace DiagnosticsTexts
