#include "IniStore.h"

#include "DatabaseFile.h"
#include "IniText.h"

#include <QSet>

#include <algorithm>
#include <limits>

namespace IniStore {

namespace {

using IniText::Line;
using IniText::LineKind;

// The file's content for a read; a missing or unreadable file reads as empty (absent
// keys and sections, the readers' defaults).
bool readFile(const QString& path, QByteArray& data) {
    DatabaseFile::Contents c = DatabaseFile::read(path);
    if (c.state != DatabaseFile::Contents::State::Read)
        return false;
    data = std::move(c.data);
    return true;
}

// Where a section and a key sit in the file.  Positions are byte offsets.
struct Location {
    bool sectionFound = false;
    qsizetype headerBegin = 0; // start of the section header line
    qsizetype sectionEnd = 0;  // start of the next section header, or end of data
    qsizetype appendAt = 0;    // just after the section's last non-blank line
    bool keyFound = false;
    Line keyLine;
};

// The first section whose name matches; within it, the first entry whose key matches
// (when key is not null).
Location locate(const QByteArray& data, QByteArrayView section, QByteArrayView key) {
    Location loc;
    qsizetype pos = IniText::firstLine(data);
    while (pos < data.size()) {
        const Line line = IniText::lineAt(data, pos);
        const auto parsed = IniText::parse(QByteArrayView(data).sliced(line.begin, line.end - line.begin));
        if (loc.sectionFound) {
            if (parsed.kind == LineKind::Section) {
                loc.sectionEnd = line.begin;
                return loc;
            }
            if (parsed.kind == LineKind::Entry) {
                loc.appendAt = line.next;
                if (!loc.keyFound && !key.isNull() && IniText::sameName(parsed.name, key)) {
                    loc.keyFound = true;
                    loc.keyLine = line;
                }
            }
        } else if (parsed.kind == LineKind::Section && IniText::sameName(parsed.name, section)) {
            loc.sectionFound = true;
            loc.headerBegin = line.begin;
            loc.appendAt = line.next;
        }
        pos = line.next;
    }
    loc.sectionEnd = data.size();
    return loc;
}

// Calls f(parsed line) for each entry line of the first matching section.
template <typename F> void forEachEntry(const QByteArray& data, QByteArrayView section, F f) {
    bool inSection = false;
    qsizetype pos = IniText::firstLine(data);
    while (pos < data.size()) {
        const Line line = IniText::lineAt(data, pos);
        const auto parsed = IniText::parse(QByteArrayView(data).sliced(line.begin, line.end - line.begin));
        if (parsed.kind == LineKind::Section) {
            if (inSection)
                return;
            inSection = IniText::sameName(parsed.name, section);
        } else if (inSection && parsed.kind == LineKind::Entry) {
            f(parsed, QByteArrayView(data).sliced(line.begin, line.end - line.begin));
        }
        pos = line.next;
    }
}

QByteArray upperKey(const QString& key) {
    QByteArray k = IniText::toFileText(key);
    for (char& c : k)
        c = char(IniText::upper(uchar(c)));
    return k;
}

} // namespace

QString ReadFromINI(const QString& strSection, const QString& strkey, const QString& strfullpath,
                    const QString& strDefault) {
    QByteArray data;
    if (!readFile(strfullpath, data))
        return strDefault.left(kMaxValueLength);
    const QByteArray section = IniText::toFileText(strSection);
    const QByteArray key = IniText::toFileText(strkey.toLower());
    const Location loc = locate(data, section, key);
    if (!loc.keyFound)
        return strDefault.left(kMaxValueLength);
    const auto parsed = IniText::parse(
        QByteArrayView(data).sliced(loc.keyLine.begin, loc.keyLine.end - loc.keyLine.begin));
    return IniText::fromFileText(parsed.value).left(kMaxValueLength);
}

namespace {

// One write applied to the file's content in memory, exactly as WriteToINI does it.
QByteArray applyWrite(const QByteArray& data, const QString& strSection, const QString& strkey,
                      const QString& strkeyvalue) {
    const QByteArray section = IniText::toFileText(strSection);
    const QByteArray key = upperKey(strkey);
    const QByteArray entry = key + '=' + IniText::toFileText(strkeyvalue);
    const Location loc = locate(data, section, key);

    QByteArray out;
    out.reserve(data.size() + entry.size() + section.size() + 8);
    if (loc.keyFound) {
        out.append(QByteArrayView(data).first(loc.keyLine.begin));
        out.append(entry);
        out.append(QByteArrayView(data).sliced(loc.keyLine.end));
    } else if (loc.sectionFound) {
        out.append(QByteArrayView(data).first(loc.appendAt));
        if (!IniText::lineStartsAt(data, loc.appendAt))
            out.append("\r\n");
        out.append(entry);
        out.append("\r\n");
        out.append(QByteArrayView(data).sliced(loc.appendAt));
    } else {
        out.append(data);
        if (!IniText::lineStartsAt(data, data.size()))
            out.append("\r\n");
        out.append('[');
        out.append(section);
        out.append("]\r\n");
        out.append(entry);
        out.append("\r\n");
    }
    return out;
}

} // namespace

IniWriteResult WriteToINI(const QString& strSection, const QString& strkey,
                          const QString& strkeyvalue, const QString& strfullpath) {
    return DatabaseFile::change(strfullpath, [&](const QByteArray& data) {
        return std::optional(applyWrite(data, strSection, strkey, strkeyvalue));
    });
}

namespace {

QByteArray upperName(QByteArrayView name) {
    QByteArray out(name.data(), name.size());
    for (char& c : out)
        c = char(IniText::upper(uchar(c)));
    return out;
}

// Every section name of the file, upper case, in one pass.
QSet<QByteArray> sectionNames(const QByteArray& data) {
    QSet<QByteArray> names;
    for (qsizetype pos = IniText::firstLine(data); pos < data.size();) { // after a BOM
        const Line line = IniText::lineAt(data, pos);
        const auto parsed = IniText::parse(QByteArrayView(data).sliced(line.begin, line.end - line.begin));
        if (parsed.kind == LineKind::Section)
            names.insert(upperName(parsed.name));
        pos = line.next;
    }
    return names;
}

// A new section at the end of the file, as the single writes would make it: the header,
// then each key at the end, a repeated key replacing its value in place.
void appendSection(QByteArray& data, const QByteArray& section,
                   const QList<QPair<QString, QString>>& entries) {
    QList<QPair<QByteArray, QByteArray>> lines;
    for (const auto& [key, value] : entries) {
        const QByteArray k = upperKey(key);
        const QByteArray v = IniText::toFileText(value);
        auto same = std::find_if(lines.begin(), lines.end(),
                                 [&](const auto& l) { return IniText::sameName(l.first, k); });
        if (same != lines.end())
            same->second = v;
        else
            lines.append({k, v});
    }
    if (!IniText::lineStartsAt(data, data.size()))
        data.append("\r\n");
    data.append('[');
    data.append(section);
    data.append("]\r\n");
    for (const auto& [k, v] : lines) {
        data.append(k);
        data.append('=');
        data.append(v);
        data.append("\r\n");
    }
}

} // namespace

IniWriteResult WriteSectionEntries(const QString& strSection,
                                   const QList<QPair<QString, QString>>& entries,
                                   const QString& strfullpath, DatabaseFile::Flush flush) {
    return WriteSections({{strSection, entries}}, strfullpath, flush);
}

IniWriteResult WriteSections(const QList<QPair<QString, QList<QPair<QString, QString>>>>& sections,
                             const QString& strfullpath, DatabaseFile::Flush flush) {
    const auto edit = [&](const QByteArray& current) {
        QByteArray data = current;
        // The file is parsed once for all sections: a discovery stores hundreds of new
        // sections at a time, and a pass per section would make that quadratic.
        QSet<QByteArray> present = sectionNames(data);
        for (const auto& [name, entries] : sections) {
            const QByteArray section = IniText::toFileText(name);
            if (entries.isEmpty())
                continue;
            if (!present.contains(upperName(section))) {
                appendSection(data, section, entries);
                present.insert(upperName(section));
                continue;
            }
            for (const auto& [key, value] : entries)
                data = applyWrite(data, name, key, value);
        }
        return std::optional(data);
    };
    return DatabaseFile::change(strfullpath, edit, flush);
}

IniWriteResult DeleteIniSection(const QString& strSection, const QString& strfullpath) {
    return DatabaseFile::change(strfullpath, [&](const QByteArray& data)
                                                 -> std::optional<QByteArray> {
        const Location loc = locate(data, IniText::toFileText(strSection), QByteArrayView());
        if (!loc.sectionFound)
            return std::nullopt;
        QByteArray out = data.first(loc.headerBegin);
        out.append(QByteArrayView(data).sliced(loc.sectionEnd));
        return out;
    });
}

IniWriteResult DeleteIniKey(const QString& strSection, const QString& strKeyname,
                            const QString& strfullpath) {
    return DatabaseFile::change(strfullpath, [&](const QByteArray& data)
                                                 -> std::optional<QByteArray> {
        const Location loc =
            locate(data, IniText::toFileText(strSection), IniText::toFileText(strKeyname));
        if (!loc.keyFound)
            return std::nullopt;
        QByteArray out = data.first(loc.keyLine.begin);
        out.append(QByteArrayView(data).sliced(loc.keyLine.next));
        return out;
    });
}

bool CheckIfIniKeyExists(const QString& strSection, const QString& strKeyname,
                         const QString& strfullpath) {
    const QString a = ReadFromINI(strSection, strKeyname, strfullpath, QStringLiteral("A"));
    const QString b = ReadFromINI(strSection, strKeyname, strfullpath, QStringLiteral("B"));
    return a == b;
}

bool CheckIfIniSectionExists(const QString& strSection, const QString& strfullpath) {
    return GetSectionKeyCount(strSection, strfullpath) > 0;
}

qint32 LeadingInteger(const QString& text) {
    const QString t = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == u'-' || t[i] == u'+')) {
        negative = t[i] == u'-';
        ++i;
    }
    qint64 v = 0;
    for (; i < t.size() && t[i] >= u'0' && t[i] <= u'9'; ++i) {
        v = v * 10 + (t[i].unicode() - u'0');
        if (v > std::numeric_limits<qint32>::max())
            return negative ? std::numeric_limits<qint32>::min() : std::numeric_limits<qint32>::max();
    }
    return qint32(negative ? -v : v);
}

qint32 GetLongFromINI(const QString& strSection, const QString& strKeyname,
                      const QString& strfullpath, qint32 lngDefault) {
    if (!CheckIfIniKeyExists(strSection, strKeyname, strfullpath))
        return lngDefault;
    return LeadingInteger(ReadFromINI(strSection, strKeyname, strfullpath, QString()));
}

IniWriteResult RenameIniKey(const QString& strSection, const QString& strKeyname,
                            const QString& strNewKeyname, const QString& strfullpath) {
    if (!CheckIfIniKeyExists(strSection, strKeyname, strfullpath))
        return IniWriteResult::success();
    const QString value = ReadFromINI(strSection, strKeyname, strfullpath, QString());
    // A rename that only changes letter case: the write already replaced the entry in
    // place (keys match without regard to case), so deleting it would lose the value.
    // The old key goes only once the new one is stored.
    IniWriteResult written = WriteToINI(strSection, strNewKeyname, value, strfullpath);
    if (written && QString::compare(strKeyname, strNewKeyname, Qt::CaseInsensitive) != 0)
        written = DeleteIniKey(strSection, strKeyname, strfullpath);
    return written;
}

IniWriteResult RenameIniSection(const QString& strSection, const QString& strNewSection,
                                const QString& strfullpath) {
    QByteArray data;
    if (!readFile(strfullpath, data))
        return IniWriteResult::success(); // nothing to rename; an unreadable file stays
    QList<QPair<QString, QString>> entries;
    forEachEntry(data, IniText::toFileText(strSection), [&](const IniText::ParsedLine& p, QByteArrayView) {
        entries.append({IniText::fromFileText(p.name), IniText::fromFileText(p.value)});
    });
    if (QString::compare(strSection, strNewSection, Qt::CaseInsensitive) == 0)
        return IniWriteResult::success(); // same section: every entry would be copied onto itself
    for (const auto& [k, v] : entries) {
        if (IniWriteResult written = WriteToINI(strNewSection, k, v, strfullpath); !written)
            return written; // the old section stays whole
    }
    return DeleteIniSection(strSection, strfullpath);
}

QStringList LoadIniSectionsArray(const QString& strfullpath) {
    QStringList names;
    QByteArray data;
    if (!readFile(strfullpath, data))
        return names;
    qsizetype pos = IniText::firstLine(data);
    while (pos < data.size()) {
        const Line line = IniText::lineAt(data, pos);
        const auto parsed = IniText::parse(QByteArrayView(data).sliced(line.begin, line.end - line.begin));
        if (parsed.kind == LineKind::Section)
            names.append(IniText::fromFileText(parsed.name));
        pos = line.next;
    }
    return names;
}

QStringList LoadIniSectionKeys(const QString& strSection, const QString& strfullpath) {
    QStringList keys;
    QByteArray data;
    if (!readFile(strfullpath, data))
        return keys;
    forEachEntry(data, IniText::toFileText(strSection), [&](const IniText::ParsedLine&, QByteArrayView raw) {
        const QByteArrayView t = raw.trimmed();
        const qsizetype eq = t.indexOf('=');
        keys.append(IniText::fromFileText(eq < 0 ? t : t.first(eq)));
    });
    return keys;
}

qint16 GetSectionKeyCount(const QString& strSection, const QString& strfullpath) {
    QByteArray data;
    if (!readFile(strfullpath, data))
        return 0;
    int count = 0;
    forEachEntry(data, IniText::toFileText(strSection), [&](const IniText::ParsedLine&, QByteArrayView) {
        ++count;
    });
    return qint16(std::min(count, int(std::numeric_limits<qint16>::max())));
}

IniWriteResult CreateEmpty(const QString& strfullpath) {
    return DatabaseFile::change(strfullpath,
                                [](const QByteArray&) { return std::optional(QByteArray()); });
}

} // namespace IniStore
