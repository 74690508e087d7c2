#include "app/SingleInstance.h"

#include <QCoreApplication>
#include <QFile>
#include <QLocalSocket>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace mirelon;

namespace {

// Lets queued socket events through until the predicate holds (bounded).
template <typename Pred>
bool pumpUntil(Pred pred) {
    for (int i = 0; i < 2000 && !pred(); ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return pred();
}

}  // namespace

TEST(SingleInstanceTest, SecondLaunchHandsOverAndFirstOpensSettings) {
    QTemporaryDir dir;
    const QString name = dir.path() + QStringLiteral("/mirelon-test.sock");
    SingleInstance first(name);
    int requests = 0;
    QObject::connect(&first, &SingleInstance::settingsRequested, [&] { ++requests; });
    ASSERT_TRUE(first.claimOrHandOver());
    EXPECT_TRUE(first.isListening());

    SingleInstance second(name);
    EXPECT_FALSE(second.claimOrHandOver());
    EXPECT_FALSE(second.isListening());
    EXPECT_TRUE(pumpUntil([&] { return requests == 1; }));

    // Anything but the one request is ignored.
    QLocalSocket stranger;
    stranger.connectToServer(name);
    ASSERT_TRUE(stranger.waitForConnected(1000));
    stranger.write("rm -rf /\n");
    stranger.write(QByteArray(1000, 'x'));
    stranger.flush();
    pumpUntil([&] { return stranger.state() == QLocalSocket::UnconnectedState; });
    EXPECT_EQ(requests, 1);
}

TEST(SingleInstanceTest, LeftoverSocketFileDoesNotBlockTheFirstLaunch) {
    QTemporaryDir dir;
    const QString name = dir.path() + QStringLiteral("/stale.sock");
    {
        QFile leftover(name);
        ASSERT_TRUE(leftover.open(QIODevice::WriteOnly));
    }
    SingleInstance instance(name);
    EXPECT_TRUE(instance.claimOrHandOver());
    EXPECT_TRUE(instance.isListening());
}

TEST(SingleInstanceTest, NameDependsOnDisplayAndPreferences) {
    const QByteArray oldDisplay = qgetenv("DISPLAY");
    qputenv("DISPLAY", ":91");
    const QString a = SingleInstance::defaultServerName();
    qputenv("DISPLAY", ":92");
    const QString b = SingleInstance::defaultServerName();
    qputenv("DISPLAY", oldDisplay);
    EXPECT_NE(a, b);
    EXPECT_TRUE(a.endsWith(QStringLiteral(".sock")));
    EXPECT_LT(a.toUtf8().size(), 100);  // fits a socket address
}
