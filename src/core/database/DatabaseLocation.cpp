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

namespace {

QString resolved(const QString& path) {
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(path) : canonical;
}

// Whole folder names count: /usr2 is not below /usr.
bool atOrBelow(const QString& folder, const QString& prefix) {
    if (prefix.isEmpty())
        return false;
    const QString f = resolved(folder);
    const QString p = resolved(prefix);
    return f == p || f.startsWith(p.endsWith(u'/') ? p : p + u'/');
}

} // namespace

QString chooseFolder(const QString& programFolder, const QString& userDataFolder,
                     const QString& installPrefix) {
    // A database there that cannot be changed or read stays the database: the start-up
    // names it and says that changes cannot be stored, rather than quietly showing
    // another one.  An installed copy's folder is not even probed.
    if (!atOrBelow(programFolder, installPrefix) && folderIsWritable(programFolder))
        return programFolder;
    QDir().mkpath(userDataFolder);
    return userDataFolder;
}

QString userDataFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Veltrana/Tessovar NMS");
}

QString databasePath() {
    const QString overrideDir = qEnvironmentVariable("TESSOVAR_NMS_DATABASE_DIR");
    if (!overrideDir.isEmpty())
        return QDir(overrideDir).absoluteFilePath(QStringLiteral("nms.ini"));
    return chooseFolder(QCoreApplication::applicationDirPath(), userDataFolder(),
                        QStringLiteral(TESSOVAR_INSTALL_PREFIX)) +
           QStringLiteral("/nms.ini");
}

} // namespace DatabaseLocation
