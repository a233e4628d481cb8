#include "DatabaseLocation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace DatabaseLocation {

bool folderIsWritable(const QString& folder) {
    // Trying is the only reliable test (permissions, read-only mounts, ACLs).
    QTemporaryFile probe(folder + QStringLiteral("/.nms-write-probe.XXXXXX"));
    return probe.open();
}

QString chooseFolder(const QString& programFolder, const QString& userDataFolder) {
    const QString ini = programFolder + QStringLiteral("/nms.ini");
    const QFileInfo existing(ini);
    if (existing.exists() ? existing.isWritable() && folderIsWritable(programFolder)
                          : folderIsWritable(programFolder))
        return programFolder;
    QDir().mkpath(userDataFolder);
    return userDataFolder;
}

QString databasePath() {
    const QString overrideDir = qEnvironmentVariable("TESSOVAR_NMS_DATABASE_DIR");
    if (!overrideDir.isEmpty())
        return QDir(overrideDir).absoluteFilePath(QStringLiteral("nms.ini"));
    const QString userData =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
        QStringLiteral("/Veltrana/Tessovar NMS");
    return chooseFolder(QCoreApplication::applicationDirPath(), userData) +
           QStringLiteral("/nms.ini");
}

} // namespace DatabaseLocation
