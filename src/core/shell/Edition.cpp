#include "Edition.h"

namespace {
constexpr int kVersionMajor = 4;
constexpr int kVersionMinor = 5;
constexpr int kVersionRevision = 0;
} // namespace

Edition Edition::fromArgumentText(const QString& text) {
    Edition e;
    const QString upper = text.toUpper();
    if (upper == QLatin1String("GPS")) {
        e.GPSDOEdition = true;
        e.titleSuffix = QStringLiteral(" [GPSDO version] - Veltrana Broadcast");
        e.bufferMaximum = 23;
    } else if (upper == QLatin1String("LL")) {
        e.LowLatencyOn = true;
        e.titleSuffix = QStringLiteral(" [Low Latency Option] - Veltrana Broadcast");
        e.bufferMaximum = 44;
    }
    return e;
}

QString Edition::argumentText(const QStringList& arguments) {
    return arguments.mid(1).join(u' ');
}

QString programVersion() {
    return QStringLiteral("%1.%2.%3").arg(kVersionMajor).arg(kVersionMinor).arg(kVersionRevision);
}

QString windowTitle(const Edition& edition) {
    return QStringLiteral("Tessovar NMS v.") + programVersion() + edition.titleSuffix;
}
