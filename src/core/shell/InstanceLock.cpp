#include "InstanceLock.h"

#include <QDir>
#include <QLockFile>
#include <QStandardPaths>

LockFileInstanceLock::LockFileInstanceLock(QString path) : path_(std::move(path)) {}

LockFileInstanceLock::~LockFileInstanceLock() = default;

QString LockFileInstanceLock::defaultPath() {
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    return dir + QStringLiteral("/tessovar-nms.lock");
}

bool LockFileInstanceLock::tryAcquire() {
    lock_ = std::make_unique<QLockFile>(path_);
    lock_->setStaleLockTime(0); // only a dead owner makes the lock stale
    if (lock_->tryLock(0))
        return true;
    // A lock file without a readable owner (a crash while it was being written) is never
    // stale by its owner, so it would block every start.  It is removed, once, when no
    // running instance holds it: removeStaleLockFile() takes the file's system lock first,
    // which its creator holds from the moment it created the file.
    qint64 pid = 0;
    QString host;
    QString application;
    if (lock_->error() != QLockFile::LockFailedError ||
        lock_->getLockInfo(&pid, &host, &application) || !lock_->removeStaleLockFile())
        return false;
    return lock_->tryLock(0);
}
