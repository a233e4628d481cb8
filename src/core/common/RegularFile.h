#pragma once
// Files the program writes besides the element database (the event log, the settings,
// the configuration history) are opened without ever waiting: a named pipe, a device or
// a socket found under such a name is refused with the reason, never opened for
// writing (opening a pipe nobody reads blocks; writing to one blocks at the first line).
// A file that is missing is created as any editor creates one: read and write for all,
// less the umask, never less than read and write for its owner.

#include <QString>

class QFile;

namespace RegularFile {

// Why a file of this kind (a stat mode) is refused: "it is a named pipe, not a file".
QString typeReason(unsigned mode);

// "" when path names a regular file or nothing; else why it is refused.
QString refusal(const QString& path);

// The mode a new file gets: 0666 less this process's umask, with owner read and write.
unsigned newFileMode();

enum class Write { Append, Truncate };

// Opens path (creating it when missing) for writing on file, which then owns the
// descriptor.  False with *error set when the file is no regular file or cannot be
// opened; nothing is truncated before the file is known to be a regular one.
bool openForWriting(QFile& file, const QString& path, Write how, QString* error);

} // namespace RegularFile
