// The database's one write path on the disks operators have: full, linked, unreadable,
// read-only or special files, and a writer killed half-way; the start-up's clean-up.

#include "core/database/DatabaseFile.h"
#include "core/database/IniSnapshot.h"
#include "core/database/IniStore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <grp.h>
#include <random>
#include <sched.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const QByteArray kOld = "[0011223344AA]\r\nIP=10.0.0.5\r\n";

QByteArray bytesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

void put(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
}

QStringList temporaries(const QString& folder) {
    return QDir(folder).entryList({QStringLiteral(".nms.ini.*")}, QDir::AllEntries | QDir::Hidden | QDir::System);
}

IniWriteResult writeIp(const QString& path, const QString& value) {
    return IniStore::WriteToINI(QStringLiteral("0011223344AA"), QStringLiteral("ip"), value, path);
}

struct stat statOf(const QString& path) {
    struct stat st {};
    ::lstat(QFile::encodeName(path).constData(), &st);
    return st;
}

TEST(DatabaseWriteTest, AFullDiskKeepsTheOldBytesAndSaysWhy) {
    // A 64 kB tmpfs in a mount namespace of this process's own, and a lowered file size limit.
    static const bool privateMounts =
        ::unshare(CLONE_NEWNS) == 0 && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    for (const bool tinyFs : {true, false}) {
        QTemporaryDir dir;
        if (tinyFs && !(privateMounts && ::mount("tmpfs", QFile::encodeName(dir.path()).constData(), "tmpfs", 0,
                                                 "size=64k") == 0)) {
            std::printf("NOTE: no private tmpfs here (needs root); the full disk is the file size limit only\n");
            continue;
        }
        const QString ini = dir.filePath(QStringLiteral("nms.ini"));
        put(ini, kOld);
        rlimit saved {};
        ::getrlimit(RLIMIT_FSIZE, &saved);
        const rlimit low{100 * 1024, saved.rlim_max};
        std::signal(SIGXFSZ, SIG_IGN);
        ASSERT_EQ(tinyFs ? 0 : ::setrlimit(RLIMIT_FSIZE, &low), 0);
        const IniWriteResult r = writeIp(ini, QString(200 * 1024, u'x'));
        ::setrlimit(RLIMIT_FSIZE, &saved);
        EXPECT_EQ(r.error.toStdString(), ('"' + ini + "\" could not be written (" +
                                          (tinyFs ? "No space left on device" : "File too large") +
                                          "); it keeps its previous content.").toStdString());
        EXPECT_EQ(bytesOf(ini), kOld);
        EXPECT_EQ(temporaries(dir.path()), QStringList());
        if (tinyFs)
            ::umount2(QFile::encodeName(dir.path()).constData(), MNT_DETACH);
    }
}

TEST(DatabaseWriteTest, ALinkStaysALinkAndItsTargetIsReplaced) {
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("real")));
    const QString target = dir.filePath(QStringLiteral("real/nms.ini"));
    const QString link = dir.filePath(QStringLiteral("nms.ini"));
    put(target, kOld);
    ASSERT_EQ(::symlink("real/nms.ini", QFile::encodeName(link).constData()), 0);

    ASSERT_TRUE(writeIp(link, QStringLiteral("10.0.0.6")));
    EXPECT_TRUE(S_ISLNK(statOf(link).st_mode));
    EXPECT_EQ(QFile::symLinkTarget(link), target);
    EXPECT_EQ(bytesOf(target), "[0011223344AA]\r\nIP=10.0.0.6\r\n");
    // A read-only target is refused through the link too, and named.
    QFile::setPermissions(target, QFile::ReadOwner);
    EXPECT_EQ(writeIp(link, QStringLiteral("10.0.0.7")).error.toStdString(),
              ('"' + link + "\" (a link to \"" + target + "\") is read-only, so it was left as it is.").toStdString());
    EXPECT_TRUE(S_ISLNK(statOf(link).st_mode));
    EXPECT_EQ(bytesOf(target), "[0011223344AA]\r\nIP=10.0.0.6\r\n");
    EXPECT_EQ(temporaries(dir.path()) + temporaries(dir.filePath(QStringLiteral("real"))), QStringList());
}

// f run as the unprivileged user 65534 in a child process when this test runs as root,
// else here; nullopt when that user cannot be taken.
std::optional<QByteArray> asUnprivilegedUser(const std::function<QByteArray()>& f) {
    int fds[2];
    if (::geteuid() != 0 || ::pipe(fds) != 0)
        return ::geteuid() != 0 ? std::optional(f()) : std::nullopt;
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(77);
        const QByteArray out = f();
        ::_exit(::write(fds[1], out.constData(), size_t(out.size())) == out.size() ? 0 : 1);
    }
    ::close(fds[1]);
    QByteArray out;
    char buf[4096];
    for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;)
        out.append(buf, n);
    ::close(fds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? std::optional(out) : std::nullopt;
}

// Files a write must leave exactly as they are, each refused with its reason; a named
// pipe or a device is never read from.
TEST(DatabaseWriteTest, UnusableFilesAreNeitherReplacedNorWaitedOn) {
    struct Case {
        const char* what;
        std::function<void(const QString& ini)> make;
        const char* refusal; // after the file's name
        bool unprivileged = false;
    };
    const std::vector<Case> cases{
        {"read-only", [](const QString& ini) { put(ini, kOld); QFile::setPermissions(ini, QFile::ReadOwner); },
         " is read-only, so it was left as it is."},
        {"a folder", [](const QString& ini) { QDir().mkdir(ini); },
         " cannot be read (it is a folder, not a file), so it was left as it is."},
        {"a named pipe", [](const QString& ini) { ::mkfifo(QFile::encodeName(ini).constData(), 0644); },
         " cannot be read (it is a named pipe, not a file), so it was left as it is."},
        {"a link to /dev/zero", [](const QString& ini) { QFile::link(QStringLiteral("/dev/zero"), ini); },
         " (a link to \"/dev/zero\") cannot be read (it is a device, not a file), so it was left as it is."},
        {"a 1 GB sparse file", [](const QString& ini) { put(ini, kOld); QFile(ini).resize(1LL << 30); },
         " cannot be read (it is larger than 64 MB), so it was left as it is."},
        // Last: where the unprivileged user cannot be taken, the test is reported skipped.
        {"unreadable (mode 000)", [](const QString& ini) { put(ini, kOld); QFile::setPermissions(ini, {}); },
         " cannot be read (Permission denied), so it was left as it is.", true},
    };
    ::alarm(60); // a read that waits on the pipe ends the test here instead of hanging
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir dir;
        QFile::setPermissions(dir.path(), QFileDevice::Permissions(0x7777)); // for user 65534 too
        const QString ini = dir.filePath(QStringLiteral("nms.ini"));
        c.make(ini);
        const struct stat before = statOf(ini);
        auto attempt = [&] {
            const QString read =
                IniStore::ReadFromINI(QStringLiteral("0011223344AA"), QStringLiteral("ip"), ini, QStringLiteral("-"));
            return (writeIp(ini, QStringLiteral("10.0.0.9")).error + u'\n' + IniStore::CreateEmpty(ini).error +
                    u'\n' + IniSnapshot::load(ini).problem() + u'\n' + read)
                .toUtf8();
        };
        const auto out = c.unprivileged ? asUnprivilegedUser(attempt) : std::optional(attempt());
        if (!out)
            GTEST_SKIP() << "cannot take the unprivileged user 65534 here: the unreadable file is not checked";
        const QString refusal = u'"' + ini + u'"' + QLatin1String(c.refusal);
        const bool readable = QByteArray(c.what) == "read-only";
        const QString problem = readable ? QString() : refusal.section(u'(', -1).section(u')', 0, 0);
        EXPECT_EQ(QString::fromUtf8(*out).toStdString(),
                  (refusal + u'\n' + refusal + u'\n' + problem + u'\n' + (readable ? "10.0.0.5" : "-")).toStdString());
        const struct stat after = statOf(ini);
        EXPECT_TRUE(after.st_ino == before.st_ino && after.st_mode == before.st_mode && after.st_size == before.st_size);
        EXPECT_EQ(temporaries(dir.path()), QStringList());
    }
    ::alarm(0);
}

TEST(DatabaseWriteTest, OwnerGroupAndModeAreKept) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can give the file another owner: ownership is not checked";
    const std::pair<mode_t, mode_t> modes[] = {{0640, 0640}, {0604, 0604}, {0200, 0600}}; // never below rw-
    for (const auto& [mode, kept] : modes) {
        QTemporaryDir dir;
        const QString ini = dir.filePath(QStringLiteral("nms.ini"));
        put(ini, kOld);
        ASSERT_EQ(::chown(QFile::encodeName(ini).constData(), 65534, 65534), 0);
        ASSERT_EQ(::chmod(QFile::encodeName(ini).constData(), mode), 0);
        ASSERT_TRUE(writeIp(ini, QStringLiteral("10.0.0.6")));
        const struct stat st = statOf(ini);
        EXPECT_TRUE(st.st_uid == 65534 && st.st_gid == 65534 && (st.st_mode & 07777) == kept) << std::oct << mode;
    }
}

// A new database gets 0666 less the umask, as an editor's, never less than rw- for its owner.
TEST(DatabaseWriteTest, ANewFileFollowsTheUmask) {
    const std::pair<mode_t, mode_t> masks[] = {{022, 0644}, {002, 0664}, {0277, 0600}};
    for (const auto& [mask, expected] : masks) {
        QTemporaryDir dir;
        const mode_t before = ::umask(mask);
        EXPECT_TRUE(writeIp(dir.filePath(QStringLiteral("nms.ini")), QStringLiteral("10.0.0.6")));
        ::umask(before);
        EXPECT_EQ(statOf(dir.filePath(QStringLiteral("nms.ini"))).st_mode & 07777, expected) << std::oct << mask;
    }
}

TEST(DatabaseWriteTest, AWriterKilledAnywhereLeavesTheOldOrTheNewBytes) {
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("nms.ini"));
    QByteArray db = kOld;
    for (int i = 0; i < 3000; ++i) // large enough for a write to take a while
        db += QStringLiteral("[%1]\r\nNAME=ELEMENT %1\r\n").arg(i, 12, 10, QChar(u'0')).toLatin1();
    put(ini, db);
    const QByteArray a = QByteArray(db).replace("IP=10.0.0.5", "IP=10.0.0.1");
    const QByteArray b = QByteArray(db).replace("IP=10.0.0.5", "IP=10.0.0.222");
    std::mt19937 random(9); // fixed, so a failure can be repeated
    int leftBehind = 0;
    for (int round = 0; round < 60; ++round) {
        const pid_t writer = ::fork();
        for (int i = 0; writer == 0; ++i) // the child writes until it is killed, in both ways
            (void)IniStore::WriteSectionEntries(QStringLiteral("0011223344AA"),
                                                {{QStringLiteral("ip"), QString::fromLatin1(i % 2 ? "10.0.0.1" : "10.0.0.222")}},
                                                ini, i % 2 ? DatabaseFile::Flush::Now : DatabaseFile::Flush::Later);
        ::usleep(std::uniform_int_distribution<useconds_t>(0, 20000)(random));
        ::kill(writer, SIGKILL);
        ::waitpid(writer, nullptr, 0);
        const QByteArray now = bytesOf(ini);
        ASSERT_TRUE(now == db || now == a || now == b) << "round " << round << ": " << now.size() << " bytes";
        leftBehind += int(temporaries(dir.path()).size());
        DatabaseFile::removeAbandonedTemporaries(ini); // what the next start-up does
        ASSERT_EQ(temporaries(dir.path()), QStringList()) << "round " << round;
    }
    std::printf("60 kills; the start-up clean-up removed %d temporary files left behind\n", leftBehind);
}

TEST(DatabaseWriteTest, StartUpRemovesOnlyAbandonedTemporariesOfOurOwn) {
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("nms.ini"));
    put(ini, kOld);
    const QStringList names{".nms.ini.aB3xY9", ".nms.ini.Qq0000", ".nms.ini.bak", "nms.ini.aB3xY9", ".nms.ini.aB3xY9z"};
    for (const QString& n : names)
        put(dir.filePath(n), "x");
    // A writer that is still running holds its temporary file.
    const int held = ::open(QFile::encodeName(dir.filePath(names[1])).constData(), O_RDONLY);
    ASSERT_EQ(::flock(held, LOCK_EX | LOCK_NB), 0);
    EXPECT_EQ(DatabaseFile::removeAbandonedTemporaries(ini), 1);
    ::close(held);
    QStringList left = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
    QStringList kept = names.mid(1) << QStringLiteral("nms.ini");
    left.sort();
    kept.sort();
    EXPECT_EQ(left, kept);
}

} // namespace
