// Editions, titles, settings read as numbers, the database folder, the length rule of
// the management endpoint and the single-instance lock.

#include "../support/Unprivileged.h"
#include "core/database/DatabaseLocation.h"
#include "core/protocol/DatagramDispatch.h"
#include "core/protocol/ElementSender.h"
#include "core/shell/CommandLine.h"
#include "core/shell/Edition.h"
#include "core/shell/InstanceLock.h"
#include "core/shell/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fcntl.h>
#include <sys/file.h>
#include <tuple>
#include <unistd.h>

namespace {

TEST(EditionTest, WholeArgumentTextChoosesTheEdition) {
    struct Case {
        const char* text;
        bool gps;
        bool ll;
        int bufferMax;
        const char* title;
    };
    const Case cases[] = {
        {"", false, false, 22, "Tessovar NMS v.4.5.0 - Veltrana Broadcast"},
        {"GPS", true, false, 23, "Tessovar NMS v.4.5.0 [GPSDO version] - Veltrana Broadcast"},
        {"gps", true, false, 23, "Tessovar NMS v.4.5.0 [GPSDO version] - Veltrana Broadcast"},
        {"LL", false, true, 44, "Tessovar NMS v.4.5.0 [Low Latency Option] - Veltrana Broadcast"},
        {"ll", false, true, 44, "Tessovar NMS v.4.5.0 [Low Latency Option] - Veltrana Broadcast"},
        {"lL", false, true, 44, "Tessovar NMS v.4.5.0 [Low Latency Option] - Veltrana Broadcast"},
        {"GPS LL", false, false, 22, "Tessovar NMS v.4.5.0 - Veltrana Broadcast"},
        {"LL GPS", false, false, 22, "Tessovar NMS v.4.5.0 - Veltrana Broadcast"},
        {"GPS1", false, false, 22, "Tessovar NMS v.4.5.0 - Veltrana Broadcast"},
        {" GPS", false, false, 22, "Tessovar NMS v.4.5.0 - Veltrana Broadcast"},
    };
    for (const Case& c : cases) {
        const Edition e = Edition::fromArgumentText(QString::fromLatin1(c.text));
        EXPECT_EQ(e.GPSDOEdition, c.gps) << c.text;
        EXPECT_EQ(e.LowLatencyOn, c.ll) << c.text;
        EXPECT_EQ(e.bufferMaximum, c.bufferMax) << c.text;
        EXPECT_EQ(windowTitle(e).toStdString(), c.title) << c.text;
    }
    EXPECT_EQ(Edition::argumentText({QStringLiteral("prog"), QStringLiteral("LL"), QStringLiteral("GPS")}),
              "LL GPS");
    EXPECT_EQ(Edition::argumentText({QStringLiteral("prog")}), "");
}

TEST(CommandLineTest, OnlyAWholeHelpOrVersionTextIsTakenFromTheEdition) {
    using CommandLine::Request;
    const std::pair<QStringList, Request> cases[] = {
        {{"--help"}, Request::Help},       {{"-h"}, Request::Help},
        {{"--version"}, Request::Version}, {{"-v"}, Request::Version},
        {{}, Request::None},               {{"GPS"}, Request::None},
        {{"--help", "GPS"}, Request::None}, {{"LL", "--version"}, Request::None},
        {{"--HELP"}, Request::None},       {{"--helpme"}, Request::None},
        {{"-hv"}, Request::None},
    };
    for (const auto& [args, request] : cases)
        EXPECT_EQ(CommandLine::request(QStringList{"tessovar-nms"} + args), request)
            << args.join(u' ').toStdString();
}

TEST(DispatchTest, LengthDecidesTheHandler) {
    struct Case {
        qsizetype n;
        DatagramKind kind;
    };
    const Case cases[] = {
        {0, DatagramKind::FeedbackRecord},    {1, DatagramKind::FeedbackRecord},
        {2, DatagramKind::FeedbackRecord},    {3, DatagramKind::Dropped},
        {4, DatagramKind::FeedbackRecord},    {45, DatagramKind::FeedbackRecord},
        {54, DatagramKind::FeedbackRecord},   {55, DatagramKind::Dropped},
        {1200, DatagramKind::Dropped},        {1201, DatagramKind::LevelReport},
        {65507, DatagramKind::LevelReport},
    };
    for (const Case& c : cases)
        EXPECT_EQ(classifyDatagram(c.n), c.kind) << c.n;
}

TEST(SenderTest, FailureTextCarriesCodeAndDescription) {
    EXPECT_EQ(ElementSender::failureText(101, QStringLiteral("Address in use")),
              "101 - Unable to use UDP port 2976: Address in use");
    EXPECT_EQ(ElementSender::failureText(104, QString()), "104 - Unable to use UDP port 2976: ");
}

class MapStore final : public SettingsStore {
public:
    QString value(const QString& key, const QString& fallback) const override {
        return m.value(key, fallback);
    }
    void setValue(const QString& key, const QString& value) override { m.insert(key, value); }
    QMap<QString, QString> m;
};

TEST(SettingsTest, NumbersReadAsTheirLeadingDigitsAndTextAsZero) {
    MapStore s;
    EXPECT_EQ(settingAsNumber(s, SettingKeys::Eula), 0); // absent
    const std::pair<const char*, int> cases[] = {{"1", 1}, {"0", 0}, {"yes", 0}, {"", 0}, {"2", 2}, {" 1", 1}};
    for (const auto& [text, n] : cases) {
        s.setValue(SettingKeys::Eula, QString::fromLatin1(text));
        EXPECT_EQ(settingAsNumber(s, SettingKeys::Eula), n) << text;
    }
}

TEST(DatabaseLocationTest, BesideTheProgramUnlessThatFolderIsReadOnly) {
    if (ranUnprivileged())
        return;
    QTemporaryDir program;
    QTemporaryDir user;
    const QString userFolder = user.filePath(QStringLiteral("Veltrana/Tessovar NMS"));
    EXPECT_EQ(DatabaseLocation::chooseFolder(program.path(), userFolder), program.path());
    // A read-only database beside a writable program, or one that cannot be read, stays
    // the database (start-up names it).
    QFile ini(program.filePath(QStringLiteral("nms.ini")));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly) && ini.write("[001122334455]\n") > 0);
    for (const auto p : {QFile::ReadOwner, QFile::Permission()}) {
        ini.setPermissions(p);
        EXPECT_EQ(DatabaseLocation::chooseFolder(program.path(), userFolder), program.path());
    }
    QFile::setPermissions(program.path(), QFile::ReadOwner | QFile::ExeOwner);
    EXPECT_EQ(DatabaseLocation::chooseFolder(program.path(), userFolder), userFolder);
    EXPECT_TRUE(QDir(userFolder).exists());
    QFile::setPermissions(program.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(DatabaseLocation::chooseFolder(QStringLiteral("/proc"), userFolder), userFolder);
}

// A named pipe as the settings file or its lock file (QSettings would wait on it): the
// settings read as absent, are not kept, and the problem is named.
TEST(SettingsTest, ASettingsFileThatIsNoFileIsLeftAlone) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Veltrana.conf"));
    QtSettingsStore store(path);
    for (const QString& fifo : {path + QStringLiteral(".lock"), path}) {
        store.setValue(SettingKeys::Eula, QStringLiteral("1"));
        EXPECT_EQ(store.value(SettingKeys::Eula, QStringLiteral("0")) + store.problem(), "1");
        QFile::remove(fifo);
        ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        EXPECT_EQ(store.value(SettingKeys::Eula, QStringLiteral("0")), "0");
        EXPECT_TRUE(store.problem().contains(u'"' + fifo + QStringLiteral("\" cannot be used: it is a named pipe")));
        QFile::remove(fifo);
    }
}

// What a crash while the lock file was being created leaves: a lock file whose owner
// cannot be read.  It is taken over once, unless its creator still holds it.
TEST(InstanceLockTest, ALockWithoutAReadableOwnerIsTakenOverUnlessHeld) {
    const std::tuple<QByteArray, bool, bool> cases[] = {
        {"", false, true}, {"\x01\x02 not a lock\n", false, true}, {"", true, false}};
    for (const auto& [content, stillHeld, acquired] : cases) {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("tessovar-nms.lock"));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(content) == content.size());
        f.close();
        const int creator = ::open(QFile::encodeName(path).constData(), O_RDONLY);
        ASSERT_EQ(stillHeld ? ::flock(creator, LOCK_EX | LOCK_NB) : 0, 0);
        LockFileInstanceLock lock(path);
        EXPECT_EQ(lock.tryAcquire(), acquired) << content.toHex().data() << stillHeld;
        EXPECT_FALSE(LockFileInstanceLock(path).tryAcquire()); // and then held
        ::close(creator);
    }
}

TEST(DatabaseLocationTest, AProgramFolderUnderTheInstallationPrefixIsNeverACandidate) {
    QTemporaryDir root; // every folder in it is writable, as /usr/bin is for root
    QTemporaryDir user;
    const QString userFolder = user.filePath(QStringLiteral("Veltrana/Tessovar NMS"));
    QDir(root.path()).mkpath(QStringLiteral("usr"));
    QFile::link(root.filePath(QStringLiteral("usr")), root.filePath(QStringLiteral("linked")));
    struct Case {
        const char* program;
        const char* prefix;
        bool beside;
    };
    const Case cases[] = {
        {"usr/bin", "usr", false},          // the installed copy
        {"usr/lib/tessovar", "usr", false}, // anywhere below the prefix
        {"usr", "usr", false},
        {"usr/bin", "linked", false},   // the prefix named through a link
        {"usr2/bin", "usr", true},      // only whole folder names count
        {"build/release", "usr", true}, // a build folder
        {"usr/bin", "", true},          // no prefix known
    };
    for (const Case& c : cases) {
        const QString program = root.filePath(QString::fromLatin1(c.program));
        QDir().mkpath(program);
        const QString prefix = *c.prefix ? root.filePath(QString::fromLatin1(c.prefix)) : QString();
        EXPECT_EQ(DatabaseLocation::chooseFolder(program, userFolder, prefix).toStdString(),
                  (c.beside ? program : userFolder).toStdString())
            << c.program << " with the prefix " << c.prefix;
    }
}

} // namespace
