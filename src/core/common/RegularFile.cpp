#include "RegularFile.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace RegularFile {

QString typeReason(unsigned mode) {
    if (S_ISDIR(mode))
        return QStringLiteral("it is a folder, not a file");
    if (S_ISFIFO(mode))
        return QStringLiteral("it is a named pipe, not a file");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("it is a device, not a file");
    if (S_ISSOCK(mode))
        return QStringLiteral("it is a socket, not a file");
    return QStringLiteral("it is not a regular file");
}

QString refusal(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return errno == ENOENT ? QString() : qt_error_string(errno);
    return S_ISREG(st.st_mode) ? QString() : typeReason(st.st_mode);
}

unsigned newFileMode() {
    // The umask can only be read by setting it, which would race with other threads
    // creating files; the kernel shows it in the process status instead.
    mode_t mask = 022;
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith("Umask:")) {
                bool ok = false;
                const uint value = line.mid(6).trimmed().toUInt(&ok, 8);
                if (ok)
                    mask = mode_t(value);
            }
        }
    }
    return (0666 & ~mask) | S_IRUSR | S_IWUSR;
}

bool openForWriting(QFile& file, const QString& path, Write how, QString* error) {
    auto fail = [&](const QString& reason) {
        if (error)
            *error = reason;
        return false;
    };
    const QByteArray name = QFile::encodeName(path);
    // Looked at before the open (a device is never opened) and again on the open file
    // (another may have been swapped in between); the open itself does not wait.
    QString refused = refusal(path);
    if (!refused.isEmpty())
        return fail(refused);
    const int flags = O_WRONLY | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC |
                      (how == Write::Append ? O_APPEND : 0);
    const int fd = ::open(name.constData(), flags, 0666);
    if (fd < 0)
        return fail(errno == ENXIO ? typeReason(S_IFIFO) : qt_error_string(errno));
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        refused = qt_error_string(errno);
    else if (!S_ISREG(st.st_mode))
        refused = typeReason(st.st_mode);
    if (!refused.isEmpty()) {
        ::close(fd);
        return fail(refused);
    }
    if ((how == Write::Truncate && ::ftruncate(fd, 0) != 0) ||
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
        const QString reason = qt_error_string(errno);
        ::close(fd);
        return fail(reason);
    }
    const QIODevice::OpenMode mode =
        how == Write::Append ? QIODevice::WriteOnly | QIODevice::Append : QIODevice::WriteOnly;
    if (!file.open(fd, mode, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return fail(file.errorString());
    }
    return true;
}

} // namespace RegularFile
