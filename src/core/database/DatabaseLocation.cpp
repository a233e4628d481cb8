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
    const QFileInfo existing(programFolder + QStringLiteral("/nms.ini"));
    // A database the user may read but not change (a copy installed read-only) sends them
    // to a folder of their own.  One that cannot be read at all, or is no file, stays: the
    // start-up names its problem rather than quietly showing another database.
    const bool readOnlyCopy = existing.isFile() && existing.isReadable() && !existing.isWritable();
    if (!readOnlyCopy && folderIsWritable(programFolder))
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
