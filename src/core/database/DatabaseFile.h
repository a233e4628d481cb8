#pragma once
// The element database file on disk: reading it whole, with the checks that keep a
// damaged or unusual file from hanging or swamping the program, and the one way in which
// it is changed.
//
// A read refuses what is not a regular file (a folder, a named pipe, a device; a named
// pipe is never waited on) and a file larger than kMaxSize, and says why.
//
// A change never writes when the file exists but cannot be read completely, or is
// read-only: it would replace what the file holds.  Otherwise the new content goes to a
// temporary file beside the file (".nms.ini.XXXXXX"), which is flushed to the disk,
// given the old file's owner, group and mode (where allowed, and never less than read
// and write for its owner; a new file gets 0666 less the umask, as an editor's would)
// and renamed over it; then the folder is flushed.  A symbolic
// link is followed: its target is replaced and the link stays.  So the file holds either
// its old bytes or the complete new ones, whatever happens (a full disk, a kill).  While
// a temporary file is written its writer holds a lock on it, so the temporary files of a
// killed writer can be told from those of a running one and removed.

#include "IniWriteResult.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

namespace DatabaseFile {

inline constexpr qint64 kMaxSize = 64 * 1024 * 1024;

struct Contents {
    enum class State { Read, Missing, Unreadable };
    State state = State::Missing;
    QByteArray data;
    QString reason; // Unreadable: why, e.g. "it is a folder, not a file"
};

Contents read(const QString& path);

// "The local database "PATH" cannot be read: REASON." as shown to the operator.
QString unreadableText(const QString& path, const QString& reason);

// "The local database "PATH" is read-only: changes to it cannot be stored." for a
// database that can be read but not changed; "" otherwise.
QString readOnlyText(const QString& path);

// The new content computed from the current one (empty when the file is missing);
// nullopt when nothing is to change.
using Edit = std::function<std::optional<QByteArray>(const QByteArray& current)>;

// Now: the change is on the disk when it returns (two flushes, milliseconds on a real
// disk).  Later: the flushes are left to one flush() after a run of changes (a discovery
// storing hundreds of answers in its few seconds).  Either way a kill leaves the old or
// the new content; without the flushes a power cut before flush() may leave the file as
// it was before the run, or empty.
enum class Flush { Now, Later };

IniWriteResult change(const QString& path, const Edit& edit, Flush flush = Flush::Now);

// Puts the file and its folder on the disk after changes made with Flush::Later.
IniWriteResult flush(const QString& path);

// Removes the temporary files that writers of this database left when they were killed
// (those no running writer holds); returns how many.  Meant for start-up, once this
// program is the only running instance.
int removeAbandonedTemporaries(const QString& path);

} // namespace DatabaseFile
