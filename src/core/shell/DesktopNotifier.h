#pragma once
// The desktop's notification service: a short message the desktop shows outside the
// program's window.  A seam, so tests can see what would be shown.

#include <QString>

class DesktopNotifier {
public:
    virtual ~DesktopNotifier() = default;
    // Shows the message; never waits for the desktop, and nothing follows from a desktop
    // without a notification service.
    virtual void notify(const QString& title, const QString& text) = 0;
};
