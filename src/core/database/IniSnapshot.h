#pragma once
// The whole database read and parsed once, for work that visits every section (the
// element list load).  It is a snapshot: callers that must see later changes read the
// file again through IniStore.

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVector>

#include <optional>

class IniSnapshot {
public:
    // A missing or unreadable file gives a snapshot with exists() false and no sections;
    // for an unreadable one problem() says why (DatabaseFile::read).
    static IniSnapshot load(const QString& path);
    static IniSnapshot fromBytes(const QByteArray& data);

    bool exists() const { return exists_; }
    const QString& problem() const { return problem_; }
    QStringList sectionNames() const;
    int sectionCount() const { return int(sections_.size()); }
    // Value as ReadFromINI would give it (first matching section, first matching key).
    std::optional<QString> value(const QString& section, const QString& key) const;
    QString value(const QString& section, const QString& key, const QString& fallback) const;
    int keyCount(const QString& section) const;
    // Every key of a section with its value as a read gives it, in file order (a repeated
    // key once, with the value reads see).
    QList<QPair<QString, QString>> entries(const QString& section) const;

private:
    struct Entry {
        QByteArray key; // upper case
        QByteArray value;
    };
    struct Section {
        QByteArray name;
        QVector<Entry> entries;
    };
    const Section* find(const QString& section) const;

    bool exists_ = false;
    QString problem_;
    QVector<Section> sections_;
    QHash<QByteArray, int> index_; // upper-case name -> first section with it
};
