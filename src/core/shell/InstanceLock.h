#pragma once
// One running instance per user.

#include <QString>

#include <memory>

class QLockFile;

class InstanceLock {
public:
    virtual ~InstanceLock() = default;
    // True when this process is now the only instance (the lock is held until it ends).
    virtual bool tryAcquire() = 0;
};

// A lock file in the user's runtime folder; a lock left by a crashed instance is stale
// (its process is gone) and is taken over, and so is one whose owner cannot be read
// (empty or damaged) once no running instance holds it.
class LockFileInstanceLock final : public InstanceLock {
public:
    explicit LockFileInstanceLock(QString path = defaultPath());
    ~LockFileInstanceLock() override;
    bool tryAcquire() override;
    static QString defaultPath();

private:
    QString path_;
    std::unique_ptr<QLockFile> lock_;
};
