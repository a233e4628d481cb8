#pragma once
// The common sender procedure used by the configuration command, the attenuation command
// and the audio level request: bind the management endpoint when it is closed or the
// local address changed (it stays bound otherwise), set the remote port, take the
// selected element's stored address as remote host, and send.  A bind that fails shows
// "<code> - Unable to use UDP port 2976: " with the socket layer's description, and the
// program ends.  An element that cannot be reached (no usable stored address, no route)
// is reported with the reason and the program goes on.

#include <QByteArray>
#include <QString>

#include <functional>

class ManagementEndpoint;
class MessageBoxes;
class ProgramEnd;

class ElementSender {
public:
    struct Context {
        ManagementEndpoint* endpoint = nullptr;
        MessageBoxes* messages = nullptr;
        ProgramEnd* programEnd = nullptr;
        std::function<QString()> selectedMac;   // the caption of lblElementMAC
        std::function<QString()> localAddress;  // strLocalNMSIPAddress
        QString iniPath;
    };

    explicit ElementSender(Context context);

    // Returns false when the send failed (the message was shown; after a failed bind the
    // program ends).
    // beforeSend runs after the destination is set, right before the datagram leaves
    // (the configuration command starts its reply timer there).
    bool send(const QByteArray& payload, quint16 remotePort, int errorCode,
              const std::function<void()>& beforeSend = {});

    // The stored address of the selected element ("" when unknown).
    QString selectedElementIp() const;

    static QString failureText(int errorCode, const QString& description);

private:
    Context ctx_;
};
