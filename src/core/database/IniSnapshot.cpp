#include "IniSnapshot.h"

#include "DatabaseFile.h"
#include "IniStore.h"
#include "IniText.h"

namespace {
QByteArray upperCase(QByteArrayView v) {
    QByteArray out(v.data(), v.size());
    for (char& c : out)
        c = char(IniText::upper(uchar(c)));
    return out;
}
} // namespace

IniSnapshot IniSnapshot::load(const QString& path) {
    const DatabaseFile::Contents c = DatabaseFile::read(path);
    if (c.state != DatabaseFile::Contents::State::Read) {
        IniSnapshot none;
        none.problem_ = c.reason;
        return none;
    }
    return fromBytes(c.data);
}

IniSnapshot IniSnapshot::fromBytes(const QByteArray& data) {
    IniSnapshot s;
    s.exists_ = true;
    Section* current = nullptr;
    qsizetype pos = IniText::firstLine(data);
    while (pos < data.size()) {
        const IniText::Line line = IniText::lineAt(data, pos);
        const auto parsed =
            IniText::parse(QByteArrayView(data).sliced(line.begin, line.end - line.begin));
        if (parsed.kind == IniText::LineKind::Section) {
            s.sections_.append(Section{parsed.name.toByteArray(), {}});
            current = &s.sections_.last();
            // the reader finds the first section of a name, so the first one is indexed
            const QByteArray key = upperCase(parsed.name);
            if (!s.index_.contains(key))
                s.index_.insert(key, int(s.sections_.size() - 1));
        } else if (parsed.kind == IniText::LineKind::Entry && current != nullptr) {
            current->entries.append(Entry{upperCase(parsed.name), parsed.value.toByteArray()});
        }
        pos = line.next;
    }
    return s;
}

QStringList IniSnapshot::sectionNames() const {
    QStringList out;
    out.reserve(sections_.size());
    for (const Section& s : sections_)
        out.append(IniText::fromFileText(s.name));
    return out;
}

const IniSnapshot::Section* IniSnapshot::find(const QString& section) const {
    const auto it = index_.constFind(upperCase(IniText::toFileText(section)));
    return it == index_.constEnd() ? nullptr : &sections_[*it];
}

std::optional<QString> IniSnapshot::value(const QString& section, const QString& key) const {
    const Section* s = find(section);
    if (s == nullptr)
        return std::nullopt;
    const QByteArray k = upperCase(IniText::toFileText(key));
    for (const Entry& e : s->entries) {
        if (e.key == k)
            return IniText::fromFileText(e.value).left(IniStore::kMaxValueLength);
    }
    return std::nullopt;
}

QString IniSnapshot::value(const QString& section, const QString& key, const QString& fallback) const {
    return value(section, key).value_or(fallback.left(IniStore::kMaxValueLength));
}

int IniSnapshot::keyCount(const QString& section) const {
    const Section* s = find(section);
    return s == nullptr ? 0 : int(s->entries.size());
}

QList<QPair<QString, QString>> IniSnapshot::entries(const QString& section) const {
    QList<QPair<QString, QString>> out;
    const Section* s = find(section);
    if (s == nullptr)
        return out;
    QList<QByteArray> seen;
    for (const Entry& e : s->entries) {
        if (seen.contains(e.key))
            continue;
        seen.append(e.key);
        out.append({IniText::fromFileText(e.key),
                    IniText::fromFileText(e.value).left(IniStore::kMaxValueLength)});
    }
    return out;
}
