#include "EventLogFile.h"

#include "core/common/RegularFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

EventLogFile::EventLogFile(QString path, qint64 maxBytes, int keep)
    : path_(std::move(path)), maxBytes_(std::max<qint64>(1, maxBytes)), keep_(std::max(1, keep)) {}

bool EventLogFile::rotate() {
    auto numbered = [this](int k) { return path_ + u'.' + QString::number(k); };
    QFile::remove(numbered(keep_));
    for (int k = keep_ - 1; k >= 1; --k) {
        if (QFile::exists(numbered(k)) && !QFile::rename(numbered(k), numbered(k + 1))) {
            error_ = QStringLiteral("cannot rename %1").arg(numbered(k));
            return false;
        }
    }
    if (!QFile::rename(path_, numbered(1))) {
        error_ = QStringLiteral("cannot rename %1").arg(path_);
        return false;
    }
    return true;
}

bool EventLogFile::append(const QString& line) {
    const QByteArray bytes = line.toUtf8() + '\n';
    const QFileInfo info(path_);
    if (info.exists() && info.size() > 0 && info.size() + bytes.size() > maxBytes_ && !rotate())
        return false;
    QDir().mkpath(info.absolutePath());
    QFile f;
    // A named pipe or a device in the log's place is refused, never waited on.
    if (!RegularFile::openForWriting(f, path_, RegularFile::Write::Append, &error_))
        return false;
    if (f.write(bytes) != bytes.size() || !f.flush()) {
        error_ = f.errorString();
        return false;
    }
    error_.clear();
    return true;
}
