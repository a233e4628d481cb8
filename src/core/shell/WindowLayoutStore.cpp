#include "WindowLayoutStore.h"

#include <QSettings>

WindowLayoutStore::Layout QtWindowLayoutStore::load() const {
    QSettings s(QStringLiteral("Veltrana"), QStringLiteral("Tessovar NMS"));
    s.beginGroup(QStringLiteral("MainWindow"));
    return {s.value(QStringLiteral("geometry")).toByteArray(),
            s.value(QStringLiteral("state")).toByteArray()};
}

bool QtWindowLayoutStore::save(const Layout& layout) {
    QSettings s(QStringLiteral("Veltrana"), QStringLiteral("Tessovar NMS"));
    s.beginGroup(QStringLiteral("MainWindow"));
    s.setValue(QStringLiteral("geometry"), layout.geometry);
    s.setValue(QStringLiteral("state"), layout.state);
    s.sync();
    return s.status() == QSettings::NoError;
}
