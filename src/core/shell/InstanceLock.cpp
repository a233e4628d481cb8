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
    return lock_->tryLock(0);
}
