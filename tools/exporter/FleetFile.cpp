#include "FleetFile.h"

#include "core/database/IniSnapshot.h"

#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

FleetFile::FleetFile(QString path, QObject* parent) : QObject(parent), path_(std::move(path)) {
    const QFileInfo info(path_);
    watcher_.addPath(info.absolutePath());
    if (info.exists())
        watcher_.addPath(path_);
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, &FleetFile::check);
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, &FleetFile::check);
    recheck_.setInterval(kRecheckMs);
    connect(&recheck_, &QTimer::timeout, this, &FleetFile::check);
    recheck_.start();
}

FleetFile::Identity FleetFile::identity() const {
    struct stat st {};
    Identity id;
    if (::stat(QFile::encodeName(path_).constData(), &st) != 0)
        return id;
    id.exists = true;
    id.device = st.st_dev;
    id.inode = st.st_ino;
    id.size = st.st_size;
    id.modifiedNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return id;
}

void FleetFile::check() {
    // A file replaced by a rename is a new file to the watcher: watch it again.
    if (!watcher_.files().contains(path_) && QFileInfo::exists(path_))
        watcher_.addPath(path_);
    if (identity() == seen_)
        return;
    reload();
}

bool FleetFile::reload() {
    const Identity before = identity();
    seen_ = before;
    auto fail = [this](const QString& reason) {
        error_ = reason;
        Q_EMIT failed(reason);
        return false;
    };
    if (!before.exists)
        return fail(QStringLiteral("%1 does not exist").arg(path_));
    if (before.size > kMaxBytes)
        return fail(QStringLiteral("%1 is larger than %2 bytes").arg(path_).arg(kMaxBytes));
    QFile f(path_);
    if (!f.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("cannot read %1: %2").arg(path_, f.errorString()));
    const QByteArray data = f.read(kMaxBytes + 1);
    if (data.size() > kMaxBytes)
        return fail(QStringLiteral("%1 is larger than %2 bytes").arg(path_).arg(kMaxBytes));
    elements_ = FleetElements::read(IniSnapshot::fromBytes(data));
    error_.clear();
    Q_EMIT changed();
    return true;
}
