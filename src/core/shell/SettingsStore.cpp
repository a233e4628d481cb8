#include "SettingsStore.h"

#include "core/database/IniStore.h"

#include <QSettings>


QString QtSettingsStore::value(const QString& key, const QString& fallback) const {
    QSettings s(QStringLiteral("Veltrana"),
                QStringLiteral("Veltrana"));
    s.beginGroup(QStringLiteral("Tessovar"));
    return s.value(key, fallback).toString();
}

void QtSettingsStore::setValue(const QString& key, const QString& value) {
    QSettings s(QStringLiteral("Veltrana"),
                QStringLiteral("Veltrana"));
    s.beginGroup(QStringLiteral("Tessovar"));
    s.setValue(key, value);
    s.sync();
}

int settingAsNumber(const SettingsStore& store, const QString& key) {
    return IniStore::LeadingInteger(store.value(key, QStringLiteral("0")));
}
