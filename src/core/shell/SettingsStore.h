#pragma once
// The per-user settings: application "Veltrana", section "Tessovar", string values.

#include <QString>

class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    virtual QString value(const QString& key, const QString& fallback) const = 0;
    virtual void setValue(const QString& key, const QString& value) = 0;
    // Why the settings cannot be read or kept ("" when they can), to be told once.
    virtual QString problem() const { return {}; }
};

// Backed by QSettings: ~/.config/Veltrana/Veltrana.conf (INI text), group [Tessovar].  Every write
// is flushed at once, as the settings are written when they change.  A file there that is not a
// regular one (a named pipe would hang the program at its first setting) is left alone: the
// settings read as absent and are not kept.
class QtSettingsStore final : public SettingsStore {
public:
    // path empty: the user's settings file.
    explicit QtSettingsStore(QString path = {});

    QString value(const QString& key, const QString& fallback) const override;
    void setValue(const QString& key, const QString& value) override;
    QString problem() const override;

    static QString defaultPath();

private:
    bool usable() const;

    QString path_;
    mutable QString problem_;
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
