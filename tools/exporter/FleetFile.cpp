#include "FleetFile.h"

#include "core/database/DatabaseFile.h"
#include "core/database/ElementListing.h"
#include "core/database/ElementRecord.h"
#include "core/database/IniSnapshot.h"
#include "core/database/IniText.h"

#include <QSet>

#include <algorithm>

#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

FleetFile::FleetFile(QString path, QObject* parent) : QObject(parent), path_(std::move(path)) {
    const QFileInfo info(path_);
    watcher_.addPath(info.absolutePath());
    if (info.exists())
        watcher_.addPath(path_);
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, &FleetFile::check);
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, &FleetFile::check);
    recheck_.setInterval(kRecheckMs);
    connect(&recheck_, &QTimer::timeout, this, &FleetFile::check);
    recheck_.start();
}

FleetFile::Identity FleetFile::identity() const {
    struct stat st {};
    Identity id;
    if (::stat(QFile::encodeName(path_).constData(), &st) != 0)
        return id;
    id.exists = true;
    id.device = st.st_dev;
    id.inode = st.st_ino;
    id.size = st.st_size;
    id.modifiedNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return id;
}

void FleetFile::check() {
    // A file replaced by a rename is a new file to the watcher: watch it again.
    if (!watcher_.files().contains(path_) && QFileInfo::exists(path_))
        watcher_.addPath(path_);
    if (identity() == seen_)
        return;
    reload();
}

FleetFile::Parsed FleetFile::parse(const QByteArray& data) {
    // A copy of the database with only what the checks read (the element sections and, in
    // each, the keys below), so that a hostile file costs at most its own bytes once.
    static const QByteArray kKeys[] = {
        IniText::toFileText(ElementKeys::Name), IniText::toFileText(ElementKeys::Ip),
        IniText::toFileText(ElementKeys::Role), IniText::toFileText(ElementKeys::Sfn),
        IniText::toFileText(ElementKeys::Sn),   IniText::toFileText(ElementKeys::Ver)};
    Parsed out;
    QByteArray kept;
    QSet<QString> macs;
    bool inElement = false;
    qsizetype pos = IniText::firstLine(data);
    while (pos < data.size()) {
        const IniText::Line line = IniText::lineAt(data, pos);
        pos = line.next;
        const QByteArrayView text = QByteArrayView(data).sliced(line.begin, line.end - line.begin);
        const IniText::ParsedLine parsed = IniText::parse(text);
        if (parsed.kind == IniText::LineKind::Section) {
            const QString mac = ElementListing::macText(IniText::fromFileText(parsed.name));
            // A later section of the same element is never read either.
            inElement = !mac.isEmpty() && !macs.contains(mac);
            if (!inElement)
                continue;
            if (macs.size() >= kMaxElements) {
                out.truncated = true;
                break;
            }
            macs.insert(mac);
        } else if (parsed.kind != IniText::LineKind::Entry || !inElement) {
            continue;
        } else if (std::none_of(std::begin(kKeys), std::end(kKeys), [&](const QByteArray& k) {
                       return IniText::sameName(parsed.name, k);
                   })) {
            continue;
        }
        kept += text;
        kept += "\r\n";
    }
    const IniSnapshot snapshot = IniSnapshot::fromBytes(kept);
    for (FleetElement& e : FleetElements::read(snapshot)) {
        if (e.address() == 0) {
            ++out.withoutAddress;
            continue;
        }
        const QString section = QString(e.mac).remove(u':');
        ExportedElement x{std::move(e), {}, {}};
        x.serial = snapshot.value(section, ElementKeys::Sn, QString()).trimmed();
        x.firmware = snapshot.value(section, ElementKeys::Ver, ElementDefaults::Ver).trimmed();
        out.elements.push_back(std::move(x));
    }
    return out;
}

bool FleetFile::reload() {
    const Identity before = identity();
    seen_ = before;
    auto fail = [this](const QString& reason) {
        error_ = reason;
        Q_EMIT failed(reason);
        return false;
    };
    const DatabaseFile::Contents contents = DatabaseFile::read(path_);
    if (contents.state == DatabaseFile::Contents::State::Missing)
        return fail(QStringLiteral("%1 does not exist").arg(path_));
    if (contents.state != DatabaseFile::Contents::State::Read)
        return fail(QStringLiteral("cannot read %1: %2").arg(path_, contents.reason));
    Parsed parsed = parse(contents.data);
    elements_ = std::move(parsed.elements);
    withoutAddress_ = parsed.withoutAddress;
    truncated_ = parsed.truncated;
    error_.clear();
    Q_EMIT changed();
    return true;
}
