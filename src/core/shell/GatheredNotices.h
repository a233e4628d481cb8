#pragma once
// Notifications of changes found together: the lines that come within a short time make
// one notification (at most a few lines, then "and N more"), and none is shown while the
// program's window is the active one, where the operator sees the change already.

#include "DesktopNotifier.h"

#include <QObject>
#include <QStringList>
#include <QTimer>

#include <functional>

class GatheredNotices : public QObject {
public:
    static constexpr int kGatherMs = 300;
    static constexpr int kLines = 5;

    // notifier may be null (nothing is shown); windowActive may be empty (never active).
    GatheredNotices(QString title, DesktopNotifier* notifier, std::function<bool()> windowActive,
                    QObject* parent = nullptr);

    void add(const QString& line);

private:
    bool windowActive() const { return windowActive_ && windowActive_(); }
    void send();

    QString title_;
    DesktopNotifier* notifier_;
    std::function<bool()> windowActive_;
    QTimer timer_;
    QStringList pending_;
};
