#include "ConfigCommand.h"

#include "FieldRules.h"

#include <QLocale>

#include <algorithm>

namespace {

// The four numbers of a dotted address (already checked by the caller); a part that is
// not a number gives 0.
void putAddress(QByteArray& out, int offset, const QString& text) {
    const QStringList parts = FieldRules::SplitIP(text);
    for (int i = 0; i < 4 && i < parts.size(); ++i) {
        bool ok = false;
        const int v = parts[i].trimmed().toInt(&ok);
        out[offset + i] = char(ok ? quint8(v) : 0);
    }
}

char byteOf(int v) { return char(quint8(std::clamp(v, 0, 255))); }

} // namespace

namespace ConfigCommand {

bool addsEncoderFlag(const QString& firmwareVersion) {
    bool ok = false;
    const double v = QLocale::c().toDouble(firmwareVersion.trimmed(), &ok);
    return ok && v >= 3.49;
}

QByteArray build(const ConfigCommandInput& in) {
    const bool decoder = in.roleCaption == QLatin1String("DECODER");
    const int length = decoder ? 41 : (addsEncoderFlag(in.firmwareVersion) ? 38 : 37);
    QByteArray out(length, '\0');

    putAddress(out, 0, in.elementIP);
    putAddress(out, 4, in.elementMask);
    putAddress(out, 8, in.elementGW);
    putAddress(out, 12, in.remoteIP);
    out[16] = byteOf(in.audioInput);
    out[17] = byteOf(in.audioType);
    out[18] = byteOf(in.audioTX);
    out[19] = char(in.sfnEnabled ? 1 : 0);
    const QString name = FieldRules::PadName16(in.elementName);
    for (int i = 0; i < 16; ++i)
        out[20 + i] = char(name[i].unicode() & 0xFF);

    if (decoder) {
        out[36] = byteOf(in.buffer);
        out[37] = byteOf(in.silDetMode);
        out[38] = byteOf(in.silDetLevel);
        out[39] = byteOf(in.silDetTime);
        out[40] = char(in.lowLatency ? 1 : 0);
    } else {
        out[36] = char(in.lowLatency ? 1 : 0);
        if (length == 38)
            out[37] = 1;
    }
    return out;
}

} // namespace ConfigCommand
