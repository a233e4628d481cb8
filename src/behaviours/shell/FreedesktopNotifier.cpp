#include "FreedesktopNotifier.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QGuiApplication>
#include <QVariantMap>

namespace {
const QString kService = QStringLiteral("org.freedesktop.Notifications");

// Running, or started by the bus on the first call.
bool serviceOn(QDBusConnection& bus) {
    QDBusConnectionInterface* bus_ = bus.interface();
    if (bus_ == nullptr)
        return false;
    if (bus_->isServiceRegistered(kService).value())
        return true;
    return bus_->activatableServiceNames().value().contains(kService);
}
} // namespace

void FreedesktopNotifier::notify(const QString& title, const QString& text) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !serviceOn(bus)) {
        if (fallback_)
            fallback_(title, text);
        return;
    }
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, QStringLiteral("/org/freedesktop/Notifications"),
                                       kService, QStringLiteral("Notify"));
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), QGuiApplication::desktopFileName());
    call << QGuiApplication::applicationDisplayName() << quint32(0)
         << QGuiApplication::desktopFileName() // the icon: the program's, by its name
         << title << text << QStringList() << hints << qint32(-1);
    bus.call(call, QDBus::NoBlock);
}
