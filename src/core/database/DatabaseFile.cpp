#include "DatabaseFile.h"

#include "core/common/RegularFile.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace DatabaseFile {

namespace {

// A descriptor that is closed when it goes out of scope.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }

private:
    int fd_;
};

QByteArray encoded(const QString& path) {
    return QFile::encodeName(path);
}

QString quoted(const QString& path) {
    return u'"' + QDir::toNativeSeparators(path) + u'"';
}

QString systemReason(int error) {
    return qt_error_string(error);
}

QString typeReason(mode_t mode) {
    return RegularFile::typeReason(mode);
}

QString sizeLimit() {
    return QStringLiteral("%1 MB").arg(kMaxSize / (1024 * 1024));
}

QString tooLargeReason() {
    return QStringLiteral("it is larger than ") + sizeLimit();
}

Contents unreadable(QString reason) {
    Contents c;
    c.state = Contents::State::Unreadable;
    c.reason = std::move(reason);
    return c;
}

// Reads a whole regular file.  The type is looked at before the file is opened (a device
// is never opened) and again on the open file (it may have been swapped in between); the
// open does not wait for a writer of a named pipe.
Contents readFile(const QString& path, struct stat& st) {
    const QByteArray name = encoded(path);
    if (::stat(name.constData(), &st) != 0)
        return errno == ENOENT ? Contents() : unreadable(systemReason(errno));
    if (!S_ISREG(st.st_mode))
        return unreadable(typeReason(st.st_mode));
    const Descriptor fd(::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!fd.valid())
        return errno == ENOENT ? Contents() : unreadable(systemReason(errno));
    if (::fstat(fd.get(), &st) != 0)
        return unreadable(systemReason(errno));
    if (!S_ISREG(st.st_mode))
        return unreadable(typeReason(st.st_mode));
    if (st.st_size > kMaxSize)
        return unreadable(tooLargeReason());
    Contents c;
    c.data.reserve(qsizetype(st.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return unreadable(systemReason(errno));
        if (n == 0)
            break;
        if (c.data.size() + n > kMaxSize) // it grew while being read
            return unreadable(tooLargeReason());
        c.data.append(buffer, n);
    }
    c.state = Contents::State::Read;
    return c;
}

QString folderOf(const QString& path) {
    const qsizetype slash = path.lastIndexOf(u'/');
    return slash <= 0 ? QStringLiteral("/") : path.left(slash);
}

QString absolute(const QString& path) {
    return QDir::isAbsolutePath(path) ? path : QDir::currentPath() + u'/' + path;
}

// The file a path finally names once its symbolic links are followed (the last one may
// name a file that does not exist yet).  Folder links are left to the system.
std::optional<QString> followLinks(const QString& path) {
    QString current = absolute(path);
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(encoded(current).constData(), &st) != 0 || !S_ISLNK(st.st_mode))
            return current;
        char target[PATH_MAX];
        const ssize_t n = ::readlink(encoded(current).constData(), target, sizeof target);
        if (n < 0 || n == ssize_t(sizeof target))
            return std::nullopt;
        const QString next = QFile::decodeName(QByteArray(target, n));
        current = QDir::isAbsolutePath(next) ? next : folderOf(current) + u'/' + next;
    }
    return std::nullopt; // a circle of links
}

bool writeAll(int fd, const QByteArray& data) {
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.constData() + done, size_t(data.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        done += n;
    }
    return true;
}

// A file nobody may write to: no write permission for anyone (which counts for root too,
// as a read-only mark), or none for this user.
bool readOnly(const QString& path, const struct stat& st) {
    if ((st.st_mode & 0222) == 0)
        return true;
    return ::faccessat(AT_FDCWD, encoded(path).constData(), W_OK, AT_EACCESS) != 0 &&
           (errno == EACCES || errno == EPERM || errno == EROFS);
}

QString temporaryPrefix(const QString& target) {
    return u'.' + target.mid(target.lastIndexOf(u'/') + 1) + u'.';
}

QString notOnDisk(const QString& label, int error) {
    return label + QStringLiteral(" was written, but may not be on the disk yet (") +
           systemReason(error) + QStringLiteral(").");
}

// The rename reaches the disk with the folder.
IniWriteResult flushFolder(const QString& folder, const QString& label) {
    const Descriptor dir(::open(encoded(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dir.valid() || (::fsync(dir.get()) != 0 && errno != EINVAL))
        return IniWriteResult::failure(notOnDisk(label, errno));
    return IniWriteResult::success();
}

QString labelOf(const QString& path, const QString& target) {
    return target == absolute(path)
               ? quoted(path)
               : quoted(path) + QStringLiteral(" (a link to ") + quoted(target) + u')';
}

// Writes content to a temporary file beside target and renames it over target; old is
// the replaced file's status (nullptr: a new file).
IniWriteResult replace(const QString& target, const QString& label, const QByteArray& content,
                       const struct stat* old, Flush flush) {
    auto failed = [&](int error) {
        return IniWriteResult::failure(label + QStringLiteral(" could not be written (") +
                                       systemReason(error) +
                                       QStringLiteral("); it keeps its previous content."));
    };
    const QString folder = folderOf(target);
    QByteArray name = encoded(folder + u'/' + temporaryPrefix(target) + QStringLiteral("XXXXXX"));
    const Descriptor fd(::mkostemp(name.data(), O_CLOEXEC));
    if (!fd.valid())
        return failed(errno);
    // Held until the file is closed: the start-up clean-up leaves a running writer's
    // temporary file alone.
    ::flock(fd.get(), LOCK_EX);
    mode_t mode = mode_t(RegularFile::newFileMode()); // as an editor creates a file
    if (old != nullptr) {
        // The owner where allowed (root), else at least the group where allowed.
        if (::fchown(fd.get(), old->st_uid, old->st_gid) != 0 &&
            ::fchown(fd.get(), uid_t(-1), old->st_gid) != 0) {
            // a file of this user's own then, as before
        }
        mode = (old->st_mode & 0777) | S_IRUSR | S_IWUSR;
    }
    // The new bytes are on the disk before the name points at them.
    if (!writeAll(fd.get(), content) || ::fchmod(fd.get(), mode) != 0 ||
        (flush == Flush::Now && ::fsync(fd.get()) != 0) ||
        ::rename(name.constData(), encoded(target).constData()) != 0) {
        const int error = errno;
        ::unlink(name.constData());
        return failed(error);
    }
    return flush == Flush::Now ? flushFolder(folder, label) : IniWriteResult::success();
}

} // namespace

Contents read(const QString& path) {
    struct stat st {};
    return readFile(path, st);
}

QString unreadableText(const QString& path, const QString& reason) {
    return QStringLiteral("The local database ") + quoted(path) +
           QStringLiteral(" cannot be read: ") + reason + u'.';
}

QString readOnlyText(const QString& path) {
    const std::optional<QString> target = followLinks(path);
    struct stat st {};
    if (!target || readFile(*target, st).state != Contents::State::Read || !readOnly(*target, st))
        return QString();
    return QStringLiteral("The local database ") + quoted(path) +
           QStringLiteral(" is read-only: changes to it cannot be stored.");
}

IniWriteResult change(const QString& path, const Edit& edit, Flush flush) {
    const std::optional<QString> target = followLinks(path);
    if (!target)
        return IniWriteResult::failure(quoted(path) + QStringLiteral(" cannot be read (") +
                                       systemReason(ELOOP) +
                                       QStringLiteral("), so it was left as it is."));
    const QString label = labelOf(path, *target);
    struct stat st {};
    const Contents current = readFile(*target, st);
    if (current.state == Contents::State::Unreadable)
        return IniWriteResult::failure(label + QStringLiteral(" cannot be read (") +
                                       current.reason +
                                       QStringLiteral("), so it was left as it is."));
    const bool exists = current.state == Contents::State::Read;
    if (exists && readOnly(*target, st))
        return IniWriteResult::failure(label +
                                       QStringLiteral(" is read-only, so it was left as it is."));
    const std::optional<QByteArray> next = edit(current.data);
    if (!next)
        return IniWriteResult::success();
    if (next->size() > kMaxSize) // it could not be read again
        return IniWriteResult::failure(
            label + QStringLiteral(" could not be written (it would be larger than ") +
            sizeLimit() + QStringLiteral("); it keeps its previous content."));
    return replace(*target, label, *next, exists ? &st : nullptr, flush);
}

IniWriteResult flush(const QString& path) {
    const std::optional<QString> target = followLinks(path);
    if (!target)
        return IniWriteResult::success(); // nothing was written there
    const QString label = labelOf(path, *target);
    const Descriptor fd(::open(encoded(*target).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat st {};
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode))
        return IniWriteResult::success(); // no file of ours: every change to it was refused
    if (::fsync(fd.get()) != 0)
        return IniWriteResult::failure(notOnDisk(label, errno));
    return flushFolder(folderOf(*target), label);
}

int removeAbandonedTemporaries(const QString& path) {
    const std::optional<QString> target = followLinks(path);
    if (!target)
        return 0;
    const QString folder = folderOf(*target);
    const QRegularExpression ours(QStringLiteral("^") +
                                  QRegularExpression::escape(temporaryPrefix(*target)) +
                                  QStringLiteral("[A-Za-z0-9]{6}$"));
    int removed = 0;
    const QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& n : names) {
        if (!ours.match(n).hasMatch())
            continue;
        const QByteArray file = encoded(folder + u'/' + n);
        const Descriptor fd(
            ::open(file.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        struct stat opened {};
        struct stat named {};
        // Only a regular file that no running writer holds, and still the one of that name.
        if (fd.valid() && ::fstat(fd.get(), &opened) == 0 && S_ISREG(opened.st_mode) &&
            ::flock(fd.get(), LOCK_EX | LOCK_NB) == 0 && ::lstat(file.constData(), &named) == 0 &&
            named.st_ino == opened.st_ino && named.st_dev == opened.st_dev &&
            ::unlink(file.constData()) == 0)
            ++removed;
    }
    return removed;
}

} // namespace DatabaseFile
