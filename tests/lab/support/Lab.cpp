#include "Lab.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryFile>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

namespace {
std::atomic<int> labCounter{0};

QString runScript(const QString& script, const QStringList& args, bool* ok) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral("/bin/bash"), QStringList{Lab::scriptsDir() + u'/' + script} + args);
    const bool finished = p.waitForFinished(120000);
    *ok = finished && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    return QString::fromLocal8Bit(p.readAll());
}
} // namespace

QString Lab::buildDir() {
    const QString dir = qEnvironmentVariable("TESSOVAR_BUILD_DIR");
    return dir.isEmpty() ? QStringLiteral(TESSOVAR_DEFAULT_BUILD_DIR) : dir;
}

QString Lab::scriptsDir() {
    const QString dir = qEnvironmentVariable("TESSOVAR_LAB_SCRIPTS");
    return dir.isEmpty() ? QStringLiteral(TESSOVAR_DEFAULT_SCRIPTS_DIR) : dir;
}

QString Lab::elementMac(int k) {
    return QStringLiteral("02:54:00:01:%1:%2")
        .arg(k / 256, 2, 16, QLatin1Char('0'))
        .arg(k % 256, 2, 16, QLatin1Char('0'))
        .toUpper();
}

std::unique_ptr<Lab> Lab::up(const QStringList& elementLines, QString* error,
                             const QStringList& labOptions) {
    std::unique_ptr<Lab> lab(new Lab);
    QString prefix = qEnvironmentVariable("TESSOVAR_LAB_PREFIX");
    if (prefix.isEmpty())
        prefix = QStringLiteral("l%1x").arg(::getpid());
    lab->name_ = prefix + QString::number(++labCounter);

    QTemporaryFile elementList;
    if (!elementList.open()) {
        *error = QStringLiteral("cannot write the element list");
        return nullptr;
    }
    elementList.write(elementLines.join(u'\n').toUtf8() + '\n');
    elementList.flush();
    qputenv("TESSOVAR_BUILD_DIR", buildDir().toLocal8Bit());
    bool ok = false;
    const QString out = runScript(QStringLiteral("lab-up.sh"),
                                  QStringList{QStringLiteral("--lab"), lab->name_, QStringLiteral("--list"),
                                              elementList.fileName()} + labOptions,
                                  &ok);
    if (!ok) {
        *error = QStringLiteral("lab-up failed: ") + out;
        lab->name_.clear(); // nothing to keep; lab-up removed what it had made
        return nullptr;
    }
    return lab;
}

Lab::~Lab() {
    leaveNms();
    if (!name_.isEmpty()) {
        bool ok = false;
        runScript(QStringLiteral("lab-down.sh"), {QStringLiteral("--lab"), name_}, &ok);
    }
}

QString Lab::stateDir() const {
    const QString root = qEnvironmentVariable("TESSOVAR_LAB_STATE_ROOT");
    return (root.isEmpty() ? QStringLiteral("/run/tessovar-lab") : root) + u'/' + name_;
}

bool Lab::enterNms(QString* error) {
    if (homeNs_ < 0)
        homeNs_ = ::open("/proc/self/ns/net", O_RDONLY | O_CLOEXEC);
    const QByteArray path = QFile::encodeName(QStringLiteral("/run/netns/") + nmsNamespace());
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    const bool ok = fd >= 0 && ::setns(fd, CLONE_NEWNET) == 0;
    if (!ok && error != nullptr)
        *error = QStringLiteral("cannot enter %1: %2").arg(nmsNamespace(), QString::fromLocal8Bit(std::strerror(errno)));
    if (fd >= 0)
        ::close(fd);
    return ok;
}

void Lab::leaveNms() {
    if (homeNs_ >= 0) {
        (void)::setns(homeNs_, CLONE_NEWNET);
        ::close(homeNs_);
        homeNs_ = -1;
    }
}

QStringList Lab::simLog() const {
    QFile f(stateDir() + QStringLiteral("/sim.log"));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

QString Lab::ipIn(const QString& ns, const QStringList& args) const {
    QProcess p;
    p.start(QStringLiteral("ip"), QStringList{QStringLiteral("-n"), ns} + args);
    p.waitForFinished(10000);
    return QString::fromLocal8Bit(p.readAllStandardOutput());
}

bool Lab::announce(int k, const QStringList& extraOptions) const {
    // The element's own line from the lab, so the record is the one it would send.
    QFile conf(stateDir() + QStringLiteral("/elements.conf"));
    if (!conf.open(QIODevice::ReadOnly))
        return false;
    const QStringList lines = QString::fromUtf8(conf.readAll()).split(u'\n', Qt::SkipEmptyParts);
    if (k < 1 || k > lines.size())
        return false;
    QStringList args = QProcess::splitCommand(lines[k - 1]) + extraOptions;
    args << QStringLiteral("--announce") << nmsIp();
    QProcess p;
    p.start(buildDir() + QStringLiteral("/element-sim"), args);
    return p.waitForFinished(10000) && p.exitCode() == 0;
}
