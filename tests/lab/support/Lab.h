#pragma once
// A LAN of simulated elements in network namespaces, made for one test (scripts/lab-up.sh)
// and removed with the object (scripts/lab-down.sh).  The test's own sockets join the
// lab's NMS side by entering its namespace (this thread only): enterNms() / leaveNms().
//
// Run lab test programs through tests/lab/run-lab-test.sh (the tessovar_lab_test CMake
// function does): it checks the rights, names the labs uniquely and cleans up after a
// crash.

#include <QString>
#include <QStringList>

#include <memory>

class Lab {
public:
    // Element lines are element-sim element options, one element each (the lab gives
    // each its namespace, address elementIp(k) and MAC elementMac(k)).  Returns nullptr
    // with the reason in *error.  labOptions go to lab-up.sh as they are (e.g. --burst MS,
    // --station-known all).
    static std::unique_ptr<Lab> up(const QStringList& elementLines, QString* error,
                                   const QStringList& labOptions = {});
    ~Lab();
    Lab(const Lab&) = delete;
    Lab& operator=(const Lab&) = delete;

    QString name() const { return name_; }
    QString stateDir() const;
    static QString nmsIp() { return QStringLiteral("10.77.0.1"); }
    static QString nmsMac() { return QStringLiteral("02:54:00:00:00:01"); }
    // 10.77.0.11 to 10.77.0.250 for the first 240, then 10.77.1.11 and on.
    static QString elementIp(int k) {
        return QStringLiteral("10.77.%1.%2").arg((k - 1) / 240).arg(11 + (k - 1) % 240);
    }
    static QString elementMac(int k);            // 02:54:00:01:00:0B style
    QString elementNamespace(int k) const { return QStringLiteral("%1-e%2").arg(name_).arg(k); }
    QString nmsNamespace() const { return name_ + QStringLiteral("-nms"); }

    // The calling thread's sockets are made in the lab's NMS namespace from now on.
    bool enterNms(QString* error = nullptr);
    void leaveNms();

    // What the simulated elements logged ("eK RECV ...", "eK SEND ...").
    QStringList simLog() const;
    // Runs `ip -n <namespace> args`; returns its standard output.
    QString ipIn(const QString& ns, const QStringList& args) const;
    // Sends element k's record once to the NMS, as if it answered unasked.
    bool announce(int k, const QStringList& extraOptions = {}) const;

    static QString buildDir();    // where element-sim and tessovar-nms are
    static QString scriptsDir();

private:
    Lab() = default;
    QString name_;
    int homeNs_ = -1;
};
