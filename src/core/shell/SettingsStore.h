#pragma once
// The per-user settings: application "Veltrana", section "Tessovar", string values.

#include <QString>

class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    virtual QString value(const QString& key, const QString& fallback) const = 0;
    virtual void setValue(const QString& key, const QString& value) = 0;
};

// Backed by QSettings: ~/.config/Veltrana/Veltrana.conf (INI text), group [Tessovar].  Every write is
// flushed at once, as the settings are written when they change.
class QtSettingsStore final : public SettingsStore {
public:
    QString value(const QString& key, const QString& fallback) const override;
    void setValue(const QString& key, const QString& value) override;
};

namespace SettingKeys {
inline const QString NmsIpAddress = QStringLiteral("NMS IP Address");
inline const QString Eula = QStringLiteral("EULA1");
inline const QString AutoClearCounters = QStringLiteral("AutoClearCounters");
// The fleet check's interval in seconds, 5 to 300; "0": off.  Absent: 10.
inline const QString FleetCheckInterval = QStringLiteral("FleetCheckInterval");
} // namespace SettingKeys

// A setting that holds a number: its leading integer, 0 when the text is not a number.
int settingAsNumber(const SettingsStore& store, const QString& key);
