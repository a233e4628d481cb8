// tessovar-nms: the network management station for Tessovar audio-over-IP elements.

#include "core/common/ProgramEnd.h"
#include "core/database/DatabaseLocation.h"
#include "core/shell/CommandLine.h"
#include "core/shell/Edition.h"
#include "core/shell/HostAddressTable.h"
#include "core/shell/InstanceChannel.h"
#include "core/shell/InstanceLock.h"
#include "core/shell/SettingsStore.h"
#include "core/shell/TerminationSignals.h"
#include "core/shell/WindowLayoutStore.h"
#include "frmMain.h"
#include "views/QtMessageBoxes.h"

#include <QApplication>
#include <QDir>
#include <QIcon>

#include <cstdio>
#include <memory>

int main(int argc, char* argv[]) {
    // --help and --version are answered without a window (and without a display).
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    if (const auto request = CommandLine::request(arguments); request != CommandLine::Request::None) {
        std::fputs(CommandLine::answer(request, QStringLiteral("tessovar-nms")).toLocal8Bit(), stdout);
        return 0;
    }

    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Veltrana"));
    // No display name: Qt would append it to every window title the window system shows.
    QApplication::setApplicationName(QStringLiteral("Tessovar NMS"));
    // The icon the desktop shows for the installed program, in every rendered size; the
    // desktop file name lets the desktop tie the window to its menu entry.
    QIcon icon;
    const QDir icons(QStringLiteral(":/icons"));
    for (const QString& size : icons.entryList())
        icon.addFile(icons.filePath(size));
    QApplication::setWindowIcon(icon);
    QGuiApplication::setDesktopFileName(QStringLiteral(TESSOVAR_APP_ID));

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
    QtWindowLayoutStore windowLayout;

    Services services;
    services.messages = messages.get();
    services.programEnd = &programEnd;
    services.settings = &settings;
    services.instanceLock = &instanceLock;
    services.hostAddresses = &hostAddresses;
    services.windowLayout = &windowLayout;
    services.iniPath = DatabaseLocation::databasePath();
    services.eventLogPath = DatabaseLocation::userDataFolder() + QStringLiteral("/fleet-events.log");
    services.argumentText = Edition::argumentText(QCoreApplication::arguments());
    services.instanceChannel = InstanceChannel::defaultPath();

    // Message boxes and the notice may close before the main window exists; that must
    // not end the program.
    QApplication::setQuitOnLastWindowClosed(false);
    frmMain window(services);
    if (auto* real = dynamic_cast<QtMessageBoxes*>(messages.get()))
        real->setParent(&window);

    // Asked to end by a signal: close every window as the operator would (the main
    // window closes its endpoint); one that arrives during start-up ends the program
    // once start-up is through.
    TerminationSignals termination;
    QObject::connect(&termination, &TerminationSignals::arrived, [] {
        QApplication::closeAllWindows();
        QCoreApplication::quit();
    });
    if (!window.startUp())
        return 1;
    if (termination.hasArrived())
        return 0;
    QApplication::setQuitOnLastWindowClosed(true);
    return app.exec();
}
