#pragma once
// Desktop notifications through the desktop's notification service on the session bus
// (org.freedesktop.Notifications), as every Linux desktop offers it.  The call is sent
// without waiting for an answer; without a session bus nothing is shown.  (A tray message
// would need an icon in the notification area, which the program does not place.)

#include "core/shell/DesktopNotifier.h"

class FreedesktopNotifier final : public DesktopNotifier {
public:
    void notify(const QString& title, const QString& text) override;
};
