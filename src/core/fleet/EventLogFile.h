#pragma once
// A log file that never grows without bound: lines are appended until the file reaches
// maxBytes; then it becomes <path>.1 (the older ones move on to .2 ... .<keep>, the
// oldest is dropped) and a new file is started.  What is not a regular file (a named
// pipe, a device) is refused at every line without waiting (RegularFile).

#include <QString>

class EventLogFile {
public:
    static constexpr qint64 kDefaultMaxBytes = 1 << 20;
    static constexpr int kDefaultKeep = 3;

    explicit EventLogFile(QString path, qint64 maxBytes = kDefaultMaxBytes,
                          int keep = kDefaultKeep);

    // Appends one line (a line feed is added).  False with errorString() set when it could
    // not be written.
    bool append(const QString& line);

    QString path() const { return path_; }
    QString errorString() const { return error_; }

private:
    bool rotate();

    QString path_;
    qint64 maxBytes_;
    int keep_;
    QString error_;
};
