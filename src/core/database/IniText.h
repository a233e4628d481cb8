#pragma once
// Line-level reading of an INI file held in memory.  Shared by the per-call store
// operations and by the whole-file snapshot used when the element list is loaded.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace IniText {

// One physical line: [begin, end) excludes the line end; next is where the next line starts.
struct Line {
    qsizetype begin = 0;
    qsizetype end = 0;
    qsizetype next = 0;
};

enum class LineKind { Blank, Section, Entry };

struct ParsedLine {
    LineKind kind = LineKind::Blank;
    QByteArrayView name;  // section name, or the key of an entry
    QByteArrayView value; // value of an entry, quotes removed
};

// Where the first line starts: after a UTF-8 byte-order mark that an editor put there.
qsizetype firstLine(const QByteArray& data);
// Reads the line starting at pos (pos < data.size()).  CR LF, CR and LF each end a line.
Line lineAt(const QByteArray& data, qsizetype pos);
// Whether a line starts at pos (the first line, or the one after a line end).
bool lineStartsAt(const QByteArray& data, qsizetype pos);
ParsedLine parse(QByteArrayView line);

// Latin-1 letter-case-insensitive equality.
bool sameName(QByteArrayView a, QByteArrayView b);
// Latin-1 upper case of one byte.
uchar upper(uchar c);

QByteArray toFileText(const QString& text);   // Latin-1, CR and LF replaced by blanks
QString fromFileText(QByteArrayView bytes);   // Latin-1

} // namespace IniText
