#pragma once
// The signals that ask the program to end: SIGTERM (a logout, a service manager, kill),
// SIGINT (Ctrl+C in a terminal) and SIGHUP (the terminal went away).  Left to their
// default action they kill the process on the spot; caught here, they arrive as a Qt
// signal in the event loop, so the program can end as when the operator closes its
// window: the management port closed, the lock released, exit status 0.

#include <QObject>

class QSocketNotifier;

class TerminationSignals final : public QObject {
    Q_OBJECT
public:
    // One instance at a time; the default actions come back when it is destroyed.
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

    // False when the signals could not be caught (they then keep their default action).
    bool isWatching() const { return notifier_ != nullptr; }
    // True once any of the signals arrived.
    bool hasArrived() const { return arrived_; }

Q_SIGNALS:
    void arrived(int signalNumber);

private:
    void readSignals();

    QSocketNotifier* notifier_ = nullptr;
    bool arrived_ = false;
};
