// tessovar-nms: the network management station for Tessovar audio-over-IP elements.

#include "core/common/ProgramEnd.h"
#include "core/database/DatabaseLocation.h"
#include "core/shell/Edition.h"
#include "core/shell/HostAddressTable.h"
#include "core/shell/InstanceChannel.h"
#include "core/shell/InstanceLock.h"
#include "core/shell/SettingsStore.h"
#include "frmMain.h"
#include "views/QtMessageBoxes.h"

#include <QApplication>

#include <memory>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Veltrana"));
    QApplication::setApplicationName(QStringLiteral("Tessovar NMS"));
    QApplication::setApplicationDisplayName(QStringLiteral("Tessovar NMS"));

    std::unique_ptr<MessageBoxes> messages;
    const QString log = qEnvironmentVariable("TESSOVAR_MESSAGE_LOG");
    if (!log.isEmpty())
        messages = std::make_unique<LoggingMessageBoxes>(
            log, qEnvironmentVariable("TESSOVAR_MESSAGE_ANSWER").toLower() == QLatin1String("yes"));
    else
        messages = std::make_unique<QtMessageBoxes>();

    ExitProgramEnd programEnd;
    QtSettingsStore settings;
    LockFileInstanceLock instanceLock;
    IfAddrsHostAddressTable hostAddresses;

    Services services;
    services.messages = messages.get();
    services.programEnd = &programEnd;
    services.settings = &settings;
    services.instanceLock = &instanceLock;
    services.hostAddresses = &hostAddresses;
    services.iniPath = DatabaseLocation::databasePath();
    services.argumentText = Edition::argumentText(QCoreApplication::arguments());
    services.instanceChannel = InstanceChannel::defaultPath();

    // Message boxes and the notice may close before the main window exists; that must
    // not end the program.
    QApplication::setQuitOnLastWindowClosed(false);
    frmMain window(services);
    if (auto* real = dynamic_cast<QtMessageBoxes*>(messages.get()))
        real->setParent(&window);
    if (!window.startUp())
        return 1;
    QApplication::setQuitOnLastWindowClosed(true);
    return app.exec();
}
