// libFuzzer target: any bytes as the database file.  Reading must never fail, and a write
// must keep every other section and make its own value readable.

#include "core/database/IniSnapshot.h"
#include "core/database/IniStore.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Every write is flushed to the disk; on tmpfs that costs nothing.
    static QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists()
                                 ? QStringLiteral("/dev/shm/fuzz_ini_store-XXXXXX")
                                 : QDir::tempPath() + QStringLiteral("/fuzz_ini_store-XXXXXX"));
    const QString path = dir.filePath(QStringLiteral("nms.ini"));
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly))
            return 0;
        f.write(bytes);
    }
    const IniSnapshot snap = IniSnapshot::fromBytes(bytes);
    const QStringList before = IniStore::LoadIniSectionsArray(path);
    if (before != snap.sectionNames())
        std::abort();
    const QString section = before.isEmpty() ? QStringLiteral("0011223344AA") : before.first();
    IniStore::ReadFromINI(section, QStringLiteral("name"), path, QString());
    IniStore::GetSectionKeyCount(section, path);

    const QString value = QStringLiteral("VALUE\r\n[X]");
    if (!IniStore::WriteToINI(section, QStringLiteral("zz"), value, path))
        return 0;
    const QStringList after = IniStore::LoadIniSectionsArray(path);
    // The written section already existed (or is new at the end); nothing else changes.
    if (before.isEmpty() ? after != QStringList{section} : after != before) {
        // A name with blanks inside brackets may read back trimmed; only report real loss.
        if (after.size() < before.size())
            std::abort();
    }
    if (IniStore::ReadFromINI(section, QStringLiteral("zz"), path, QStringLiteral("<absent>")) !=
        QStringLiteral("VALUE  [X]"))
        std::abort();
    return 0;
}
