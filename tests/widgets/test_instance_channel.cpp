// A second instance asks the running one, through its local socket, to bring its window
// to the front; the socket takes only that request from whoever connects.

#include "TestServices.h"

#include "app/frmMain.h"
#include "core/shell/InstanceChannel.h"

#include <QApplication>
#include <QFile>
#include <QLocalSocket>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

TEST(InstanceChannelTest, OnlyTheRequestRaisesAndNoClientHoldsTheChannel) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("nms.socket"));
    QFile leftOver(path); // a crashed instance's socket file
    ASSERT_TRUE(leftOver.open(QIODevice::WriteOnly));
    leftOver.close();
    InstanceChannel channel(path);
    ASSERT_TRUE(channel.listen());
    int raised = 0;
    QObject::connect(&channel, &InstanceChannel::raiseRequested, [&] { ++raised; });

    struct Client {
        const char* what;
        std::vector<QByteArray> parts;
        int raises;
    };
    const Client clients[] = {
        {"the request", {"raise\n"}, 1},
        {"the request in two parts", {"rai", "se\n"}, 1},
        {"the request twice on one connection", {"raise\nraise\n"}, 1},
        {"another text", {"RAISE\n"}, 0},
        {"a flood", {QByteArray(1 << 20, 'x')}, 0},
        {"silence (dropped after the time-out)", {}, 0},
    };
    for (const Client& c : clients) {
        raised = 0;
        QLocalSocket s;
        s.connectToServer(path);
        ASSERT_TRUE(s.waitForConnected(1000)) << c.what;
        for (const QByteArray& part : c.parts) {
            s.write(part);
            s.flush();
            QTest::qWait(20);
        }
        EXPECT_TRUE(waitFor([&] { return s.state() == QLocalSocket::UnconnectedState; }, 4000))
            << c.what;
        EXPECT_EQ(raised, c.raises) << c.what;
    }

    // Silent clients, more than are served at once, never keep a request unread.
    std::vector<std::unique_ptr<QLocalSocket>> silent;
    for (int i = 0; i < 3 * InstanceChannel::kMaxClients; ++i) {
        silent.push_back(std::make_unique<QLocalSocket>());
        silent.back()->connectToServer(path);
    }
    raised = 0;
    EXPECT_TRUE(waitFor(
        [&] {
            return InstanceChannel::askToRaise(path, 100) &&
                   waitFor([&] { return raised == 1; }, 200);
        },
        1000)); // within a second, however many are silent
}

TEST(InstanceChannelTest, ASecondInstanceBringsTheRunningWindowToTheFront) {
    QTemporaryDir dir;
    TestBed running;
    running.writeIni("[001122334455]\r\nNAME=STUDIO\r\nROLE=1\r\n");
    running.instanceChannel = dir.filePath(QStringLiteral("nms.socket"));
    frmMain first(running.services());
    ASSERT_TRUE(first.startUp());
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));

    TestBed second;
    second.instanceLock.free = false;
    second.instanceChannel = running.instanceChannel;
    frmMain w(second.services());
    EXPECT_FALSE(w.startUp());
    EXPECT_EQ(
        second.messages.texts(),
        QStringList{"Veltrana Tessovar NMS is already running (check the icon in system tray)!"});
    EXPECT_TRUE(second.programEnd.ended);
    EXPECT_TRUE(waitFor([&] { return QApplication::activeWindow() == &first; }));
}

} // namespace
