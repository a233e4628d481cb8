#include "DiagnosticsContext.h"

#include "DiagnosticsPort.h"
#include "core/common/MessageBoxes.h"
#include "core/common/ProgramEnd.h"
#include "core/database/IniStore.h"
#include "core/database/MacSection.h"
#include "core/protocol/DatagramDispatch.h"
#include "core/protocol/DatagramSend.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

namespace {
QString sectionOf(const DiagnosticsContext& c) {
    return MacSection::Encode_MAC(c.selectedMac ? c.selectedMac() : QStringLiteral("-"));
}
} // namespace

QString DiagnosticsContext::readElement(const QString& key, const QString& fallback) const {
    return IniStore::ReadFromINI(sectionOf(*this), key, iniPath, fallback);
}

IniWriteResult DiagnosticsContext::writeElement(const QString& key, const QString& value) const {
    return IniStore::WriteToINI(sectionOf(*this), key, value, iniPath);
}

bool DiagnosticsContext::sfnOn() const {
    return IniStore::LeadingInteger(readElement(QStringLiteral("sfn"), QStringLiteral("0"))) == 1;
}

bool DiagnosticsContext::isDecoder() const {
    return elementType && elementType() == QLatin1String("DECODER");
}

void DiagnosticsContext::reportSendFailure(const QString& reason) const {
    messages->error(DatagramSend::unreachableText(Ports::Diagnostics, reason));
}

bool DiagnosticsContext::openPort(DiagnosticsPort& port, const QString& portFailureText) const {
    const QString local = localAddress ? localAddress() : QStringLiteral("0.0.0.0");
    QElapsedTimer waited;
    waited.start();
    while (!port.bindLocal(local) && port.portHeld()) {
        if (waited.elapsed() >= kPortWaitMs) {
            messages->error(QStringLiteral("Unable to use UDP port %1: %2.")
                                .arg(Ports::Diagnostics)
                                .arg(port.errorString()));
            return false;
        }
        QEventLoop pause;
        QTimer::singleShot(50, &pause, &QEventLoop::quit);
        pause.exec(QEventLoop::ExcludeUserInputEvents);
    }
    if (port.isOpen())
        return true;
    messages->error(portFailureText);
    programEnd->end(1);
    return false;
}

bool DiagnosticsContext::sendOpeningRequest(DiagnosticsPort& port, const QByteArray& request,
                                            const QString& portFailureText) const {
    switch (port.send(readElement(QStringLiteral("ip"), QString()), request)) {
    case DiagnosticsPort::SendResult::Sent:
        break;
    case DiagnosticsPort::SendResult::BadDestination:
        reportSendFailure(port.errorString());
        break;
    case DiagnosticsPort::SendResult::PortFailure:
        messages->error(portFailureText);
        programEnd->end(1);
        return false;
    }
    return true;
}
