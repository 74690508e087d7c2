// SPDX-License-Identifier: GPL-3.0-or-later
// The camera portal against a stand-in portal on a private session bus:
// a refusal, a grant with the connection it hands out, the camera-present
// property, and a peer that is not a portal at all.

#include "platform/portal/PortalCamera.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <thread>

#include <unistd.h>

namespace mirelon {
namespace {

const QString kStandIn = QStringLiteral(MIRELON_SOURCE_DIR "/tests/e2e/lib/camera_portal.py");

// Processes events until done() holds; false after a generous ceiling.
bool waitFor(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

class PortalCameraTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty() ||
            !QFile::exists(QStringLiteral("/usr/bin/python3"))) {
            GTEST_SKIP() << "dbus-daemon or the system's Python is missing (tools/deps.sh)";
        }
        ASSERT_TRUE(dir.isValid());
        QFile conf(dir.filePath(QStringLiteral("bus.conf")));
        ASSERT_TRUE(conf.open(QIODevice::WriteOnly));
        conf.write(
            QStringLiteral(
                "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration "
                "1.0//EN\" \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">"
                "<busconfig><type>session</type><listen>unix:path=%1</listen>"
                "<auth>EXTERNAL</auth><policy context=\"default\">"
                "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
                "<allow own=\"*\"/></policy></busconfig>")
                .arg(dir.filePath(QStringLiteral("bus")))
                .toUtf8());
        conf.close();
        daemon.start(QStringLiteral("dbus-daemon"),
                     {QStringLiteral("--config-file=") + conf.fileName(),
                      QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
        ASSERT_TRUE(daemon.waitForStarted());
        ASSERT_TRUE(waitFor([&] { return daemon.canReadLine(); }));
        address = QString::fromUtf8(daemon.readLine()).trimmed();
        static int counter = 0;
        bus.emplace(QDBusConnection::connectToBus(address,
                                                  QStringLiteral("portal-test-%1").arg(++counter)));
        ASSERT_TRUE(bus->isConnected());
        remote = dir.filePath(QStringLiteral("remote"));
        QFile r(remote);
        ASSERT_TRUE(r.open(QIODevice::WriteOnly));
        r.write("the portal's connection");
    }
    void TearDown() override {
        for (QProcess* p : {&portal, &daemon}) {
            if (p->state() != QProcess::NotRunning) {
                p->terminate();
                p->waitForFinished(10000);
            }
        }
        if (bus) {
            QDBusConnection::disconnectFromBus(bus->name());
        }
    }
    void startPortal(const QString& answer, const QString& present = QStringLiteral("yes")) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address);
        portal.setProcessEnvironment(env);
        portal.start(QStringLiteral("/usr/bin/python3"),
                     {kStandIn, QStringLiteral("--answer"), answer, QStringLiteral("--present"),
                      present, QStringLiteral("--remote-file"), remote, QStringLiteral("--log"),
                      dir.filePath(QStringLiteral("portal.log"))});
        ASSERT_TRUE(portal.waitForStarted());
        ASSERT_TRUE(waitFor(
            [&] { return portal.canReadLine() || portal.state() == QProcess::NotRunning; }));
        ASSERT_EQ(portal.readLine().trimmed(), "ready")
            << portal.readAllStandardError().toStdString();
    }
    QStringList calls() {
        QFile f(dir.filePath(QStringLiteral("portal.log")));
        if (!f.open(QIODevice::ReadOnly)) {
            return {};
        }
        QStringList out;
        for (const QByteArray& line : f.readAll().split('\n')) {
            if (!line.isEmpty()) {
                out << QString::fromUtf8(line.split(' ').first());
            }
        }
        return out;
    }
    struct Result {
        CameraPortal::Answer answer;
        int fd;
    };
    std::optional<Result> open(PortalCamera& camera) {
        std::optional<Result> result;
        camera.open([&](CameraPortal::Answer a, int fd) { result = Result{a, fd}; });
        EXPECT_TRUE(waitFor([&] { return result.has_value(); }));
        return result;
    }

    QTemporaryDir dir;
    QProcess daemon;
    QProcess portal;
    QString address;
    QString remote;
    std::optional<QDBusConnection> bus;
};

TEST_F(PortalCameraTest, RefusalIsRememberedAndNotAskedAgain) {
    startPortal(QStringLiteral("refuse"));
    PortalCamera camera(*bus, dir.filePath(QStringLiteral("no-flatpak-info")));
    const auto first = open(camera);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->answer, CameraPortal::Answer::refused);
    EXPECT_EQ(first->fd, -1);
    EXPECT_TRUE(camera.wasRefused());
    const auto second = open(camera);
    ASSERT_TRUE(second);
    EXPECT_EQ(second->answer, CameraPortal::Answer::refused);
    EXPECT_EQ(calls(), QStringList{QStringLiteral("AccessCamera")});
}

TEST_F(PortalCameraTest, GrantHandsOverThePortalsConnection) {
    startPortal(QStringLiteral("grant"));
    PortalCamera camera(*bus, dir.filePath(QStringLiteral("no-flatpak-info")));
    // Two questions at once: one dialog, a connection each.
    std::optional<Result> a, b;
    camera.open([&](CameraPortal::Answer x, int fd) { a = Result{x, fd}; });
    camera.open([&](CameraPortal::Answer x, int fd) { b = Result{x, fd}; });
    ASSERT_TRUE(waitFor([&] { return a && b; }));
    for (const Result* r : {&*a, &*b}) {
        EXPECT_EQ(r->answer, CameraPortal::Answer::granted);
        ASSERT_GE(r->fd, 0);
        char text[64] = {};
        EXPECT_GT(::pread(r->fd, text, sizeof text - 1, 0), 0);
        EXPECT_STREQ(text, "the portal's connection");
        ::close(r->fd);
    }
    EXPECT_NE(a->fd, b->fd);
    EXPECT_FALSE(camera.wasRefused());
    // Granted once: later connections come without asking again.
    const auto later = open(camera);
    ASSERT_TRUE(later);
    EXPECT_EQ(later->answer, CameraPortal::Answer::granted);
    ::close(later->fd);
    EXPECT_EQ(calls(), (QStringList{"AccessCamera", "OpenPipeWireRemote", "OpenPipeWireRemote"}));
}

TEST_F(PortalCameraTest, AnErrorAnswerIsNeitherGrantNorRefusal) {
    startPortal(QStringLiteral("fail"));
    PortalCamera camera(*bus, dir.filePath(QStringLiteral("no-flatpak-info")));
    const auto result = open(camera);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->answer, CameraPortal::Answer::unavailable);
    EXPECT_FALSE(camera.wasRefused());
}

TEST_F(PortalCameraTest, CameraPresenceAndSandbox) {
    startPortal(QStringLiteral("grant"), QStringLiteral("no"));
    PortalCamera camera(*bus, dir.filePath(QStringLiteral("flatpak-info")));
    std::optional<bool> present;
    camera.isCameraPresent([&](bool p) { present = p; });
    ASSERT_TRUE(waitFor([&] { return present.has_value(); }));
    EXPECT_FALSE(*present);
    qunsetenv("FLATPAK_ID");
    EXPECT_FALSE(camera.isSandboxed());
    QFile info(dir.filePath(QStringLiteral("flatpak-info")));
    ASSERT_TRUE(info.open(QIODevice::WriteOnly));
    info.close();
    EXPECT_TRUE(camera.isSandboxed());
}

TEST_F(PortalCameraTest, NoPortalOnTheBusAnswersUnavailable) {
    // Nobody owns the portal's name: the calls fail, nothing waits forever.
    PortalCamera camera(*bus, dir.filePath(QStringLiteral("no-flatpak-info")));
    std::optional<bool> present;
    camera.isCameraPresent([&](bool p) { present = p; });
    ASSERT_TRUE(waitFor([&] { return present.has_value(); }));
    EXPECT_FALSE(*present);
    const auto result = open(camera);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->answer, CameraPortal::Answer::unavailable);
}

}  // namespace
}  // namespace mirelon
