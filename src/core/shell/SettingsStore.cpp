#include "SettingsStore.h"

#include "core/common/RegularFile.h"
#include "core/database/IniStore.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>

// The file QSettings("Veltrana", "Veltrana") uses, named directly so that QSettings reads
// no other file (the organisation-wide and system-wide ones it would also open).
QString QtSettingsStore::defaultPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Veltrana/Veltrana.conf");
}

QtSettingsStore::QtSettingsStore(QString path)
    : path_(path.isEmpty() ? defaultPath() : std::move(path)) {}

// Looked at before every use: QSettings opens the file (and its lock file) and waits.
bool QtSettingsStore::usable() const {
    for (const QString& p : {path_, path_ + QStringLiteral(".lock")}) {
        const QString refused = RegularFile::refusal(p);
        if (!refused.isEmpty()) {
            problem_ = QStringLiteral("The settings file \"%1\" cannot be used: %2. Settings "
                                      "are not kept until this is mended.")
                           .arg(QDir::toNativeSeparators(p), refused);
            return false;
        }
    }
    problem_.clear();
    return true;
}

QString QtSettingsStore::problem() const {
    usable();
    return problem_;
}

QString QtSettingsStore::value(const QString& key, const QString& fallback) const {
    if (!usable())
        return fallback;
    QSettings s(path_, QSettings::IniFormat);
    s.beginGroup(QStringLiteral("Tessovar"));
    return s.value(key, fallback).toString();
}

void QtSettingsStore::setValue(const QString& key, const QString& value) {
    if (!usable())
        return;
    QSettings s(path_, QSettings::IniFormat);
    s.beginGroup(QStringLiteral("Tessovar"));
    s.setValue(key, value);
    s.sync();
}

int settingAsNumber(const SettingsStore& store, const QString& key) {
    return IniStore::LeadingInteger(store.value(key, QStringLiteral("0")));
}
