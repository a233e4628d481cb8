#pragma once
// Desktop notifications through the desktop's notification service on the session bus
// (org.freedesktop.Notifications), as every Linux desktop offers it.  The call is sent
// without waiting for an answer.  Where no such service runs (or can be started), the
// fallback shows it (the tray icon's message); without either nothing is shown.

#include "core/shell/DesktopNotifier.h"

#include <functional>

class FreedesktopNotifier final : public DesktopNotifier {
public:
    using Fallback = std::function<bool(const QString& title, const QString& text)>;

    void notify(const QString& title, const QString& text) override;
    void setFallback(Fallback fallback) { fallback_ = std::move(fallback); }

private:
    Fallback fallback_;
};
