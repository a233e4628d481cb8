#include "DiagnosticsContext.h"

#include "DiagnosticsPort.h"
#include "core/common/MessageBoxes.h"
#include "core/common/ProgramEnd.h"
#include "core/database/IniStore.h"
#include "core/database/MacSection.h"
#include "core/protocol/DatagramDispatch.h"
#include "core/protocol/DatagramSend.h"

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

IniWriteResult
DiagnosticsContext::writeElement(const QList<QPair<QString, QString>>& entries) const {
    return IniStore::WriteSectionEntries(sectionOf(*this), entries, iniPath);
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
