// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SingleInstance.h"
#include "platform/files/FileLock.h"
#include "platform/files/PeerCredentials.h"
#include "platform/files/PrivateRuntimeFolder.h"
#include "platform/qt/ManualScheduler.h"

#include "capture/LogCapture.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <cstring>
#include <future>
#include <memory>
#include <vector>

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

// Runs a blocking call on another thread while this one serves the instance.
template <typename F>
auto whileServing(F call) {
    auto future = std::async(std::launch::async, call);
    // The call ends within its own deadline; until then this thread serves.
    while (future.wait_for(std::chrono::milliseconds(1)) != std::future_status::ready) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return future.get();
}

SingleInstance::Channel channelIn(const QTemporaryDir& dir) {
    return {dir.path() + QStringLiteral("/i.sock"), dir.path() + QStringLiteral("/i.lock")};
}

mode_t modeOf(const QString& path) {
    struct stat info {};
    ::lstat(QFile::encodeName(path).constData(), &info);
    return info.st_mode & 07777;
}

// Sets (or unsets, for an empty value) an environment variable for one scope.
class EnvVar {
public:
    EnvVar(const char* name, const QByteArray& value)
        : name_(name), wasSet_(qEnvironmentVariableIsSet(name)), old_(qgetenv(name)) {
        value.isNull() ? qunsetenv(name) : qputenv(name, value);
    }
    ~EnvVar() { wasSet_ ? qputenv(name_, old_) : qunsetenv(name_); }

private:
    const char* name_;
    bool wasSet_;
    QByteArray old_;
};

}  // namespace

TEST(SingleInstanceTest, SecondLaunchHandsOverAndFirstOpensSettings) {
    QTemporaryDir dir;
    SingleInstance first(channelIn(dir));
    int requests = 0;
    QObject::connect(&first, &SingleInstance::settingsRequested, [&] { ++requests; });
    ASSERT_EQ(first.claim(), SingleInstance::Claim::Instance);
    EXPECT_TRUE(first.isListening());
    EXPECT_TRUE(first.holdsLock());

    SingleInstance second(channelIn(dir));
    EXPECT_EQ(whileServing([&] { return second.claim(); }), SingleInstance::Claim::HandedOver);
    EXPECT_FALSE(second.isListening());
    EXPECT_FALSE(second.holdsLock());
    EXPECT_EQ(requests, 1);

    // Anything but a known request line is ignored; an endless line is cut off.
    QLocalSocket stranger;
    stranger.connectToServer(channelIn(dir).socketPath);
    ASSERT_TRUE(stranger.waitForConnected(1000));
    stranger.write("rm -rf /\n");
    stranger.write(QByteArray(1000, 'x'));
    stranger.flush();
    pumpUntil([&] { return stranger.state() == QLocalSocket::UnconnectedState; });
    EXPECT_EQ(stranger.state(), QLocalSocket::UnconnectedState);
    EXPECT_EQ(requests, 1);
}

TEST(SingleInstanceTest, InstanceEndsAndTheNextLaunchTakesOver) {
    QTemporaryDir dir;
    {
        SingleInstance first(channelIn(dir));
        ASSERT_EQ(first.claim(), SingleInstance::Claim::Instance);
    }
    EXPECT_FALSE(QFile::exists(channelIn(dir).socketPath));
    SingleInstance next(channelIn(dir));
    EXPECT_EQ(next.claim(), SingleInstance::Claim::Instance);
    EXPECT_TRUE(next.isListening());
}

TEST(SingleInstanceTest, LeftoverSocketFileOfAnEndedInstanceDoesNotBlock) {
    QTemporaryDir dir;
    const auto channel = channelIn(dir);
    // A socket file left by a killed instance: nobody listens, nobody holds the lock.
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray path = QFile::encodeName(channel.socketPath);
    std::memcpy(address.sun_path, path.constData(), static_cast<size_t>(path.size()));
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
    ASSERT_TRUE(QFile::exists(channel.socketPath));

    SingleInstance instance(channel);
    EXPECT_EQ(instance.claim(), SingleInstance::Claim::Instance);
    EXPECT_TRUE(instance.isListening());
}

TEST(SingleInstanceTest, LiveInstanceKeepsItsSocketWhenItDoesNotAnswer) {
    QTemporaryDir dir;
    SingleInstance first(channelIn(dir));
    int requests = 0;
    QObject::connect(&first, &SingleInstance::settingsRequested, [&] { ++requests; });
    ASSERT_EQ(first.claim(), SingleInstance::Claim::Instance);

    // The first one is busy (its events are not served): the second gives up
    // instead of taking the name over.
    SingleInstance second(channelIn(dir));
    second.setHandOverTimeoutMs(200);
    auto result = std::async(std::launch::async, [&] { return second.claim(); }).get();
    EXPECT_EQ(result, SingleInstance::Claim::NoAnswer);
    EXPECT_FALSE(second.isListening());
    EXPECT_FALSE(second.holdsLock());

    // The first one still owns the name and answers once it runs again.
    SingleInstance third(channelIn(dir));
    EXPECT_EQ(whileServing([&] { return third.claim(); }), SingleInstance::Claim::HandedOver);
    EXPECT_GE(requests, 1);
}

TEST(SingleInstanceTest, ActionRequestsReachTheHandlerAndReportItsAnswer) {
    QTemporaryDir dir;
    SingleInstance instance(channelIn(dir));
    QStringList performed;
    instance.setActionHandler([&](const QString& name) {
        performed << name;
        if (name == QLatin1String("toggleText")) {
            return SingleInstance::ActionResult::Done;
        }
        if (name == QLatin1String("moveCameraPanels")) {
            return SingleInstance::ActionResult::Unavailable;
        }
        return SingleInstance::ActionResult::Unknown;
    });
    ASSERT_EQ(instance.claim(), SingleInstance::Claim::Instance);
    const auto channel = channelIn(dir);
    auto send = [&](const QString& name) {
        return whileServing(
            [&] { return SingleInstance::send(channel, SingleInstance::actionRequest(name)); });
    };

    auto answer = send(QStringLiteral("toggleText"));
    EXPECT_EQ(answer.status, SingleInstance::Answer::Replied);
    EXPECT_EQ(answer.reply, SingleInstance::okReply);
    answer = send(QStringLiteral("moveCameraPanels"));
    EXPECT_EQ(answer.reply, SingleInstance::unavailableActionReply);
    answer = send(QStringLiteral("bogus"));
    EXPECT_EQ(answer.reply, SingleInstance::unknownActionReply);
    EXPECT_EQ(performed, (QStringList{"toggleText", "moveCameraPanels", "bogus"}));
}

TEST(SingleInstanceTest, SendingWithoutARunningInstanceSaysSoAtOnce) {
    QTemporaryDir dir;
    const auto channel = channelIn(dir);
    // Even with a leftover socket file, a free lock means nobody runs.
    QFile leftover(channel.socketPath);
    ASSERT_TRUE(leftover.open(QIODevice::WriteOnly));
    leftover.close();
    const auto answer = SingleInstance::send(channel, SingleInstance::actionRequest("toggleText"));
    EXPECT_EQ(answer.status, SingleInstance::Answer::NoInstance);
    // The check let the lock go again.
    SingleInstance instance(channel);
    EXPECT_EQ(instance.claim(), SingleInstance::Claim::Instance);
}

TEST(SingleInstanceTest, PeersOfAnotherUserAreRefusedAtBothEnds) {
    QTemporaryDir dir;
    const auto channel = channelIn(dir);
    SingleInstance instance(channel);
    int performed = 0;
    instance.setActionHandler([&](const QString&) {
        ++performed;
        return SingleInstance::ActionResult::Done;
    });
    ASSERT_EQ(instance.claim(), SingleInstance::Claim::Instance);

    // A client expecting someone else at the other end sends nothing.
    auto answer = whileServing([&] {
        return SingleInstance::sendExpectingPeer(
            channel, SingleInstance::actionRequest("toggleText"), 1000, ownUserId() + 1);
    });
    EXPECT_EQ(answer.status, SingleInstance::Answer::NoAnswer);
    EXPECT_EQ(performed, 0);

    // An instance expecting someone else drops the request unanswered.
    instance.setExpectedPeerUid(ownUserId() + 1);
    answer = whileServing([&] {
        return SingleInstance::send(channel, SingleInstance::actionRequest("toggleText"), 300);
    });
    EXPECT_EQ(answer.status, SingleInstance::Answer::NoAnswer);
    EXPECT_EQ(performed, 0);
}

TEST(SingleInstanceTest, UnusableLockFileRunsWithoutHandOver) {
    QTemporaryDir dir;
    const auto channel = channelIn(dir);
    // A folder (or a FIFO, which must not hang the launch) where the lock file goes.
    ASSERT_EQ(::mkfifo(QFile::encodeName(channel.lockPath).constData(), 0600), 0);
    SingleInstance instance(channel);
    EXPECT_EQ(instance.claim(), SingleInstance::Claim::Instance);
    EXPECT_FALSE(instance.holdsLock());
    EXPECT_FALSE(instance.isListening());
    EXPECT_EQ(SingleInstance::send(channel, "x\n").status, SingleInstance::Answer::Unusable);
}

TEST(SingleInstanceTest, ChannelIsPrivateAndKeyedOnDisplayAndPreferences) {
    QTemporaryDir runtime;
    EnvVar runtimeVar("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    EnvVar display("DISPLAY", ":91");
    const auto a = SingleInstance::defaultChannel();
    ASSERT_TRUE(a);
    EXPECT_TRUE(a->socketPath.startsWith(runtime.path() + QStringLiteral("/mirelon/")));
    EXPECT_EQ(modeOf(runtime.path() + QStringLiteral("/mirelon")), 0700u);
    EXPECT_LT(a->socketPath.toUtf8().size(), 108);
    {
        EnvVar otherDisplay("DISPLAY", ":92");
        EXPECT_NE(SingleInstance::defaultChannel()->socketPath, a->socketPath);
    }
    {
        EnvVar otherConfig("XDG_CONFIG_HOME", "/elsewhere");
        EXPECT_NE(SingleInstance::defaultChannel()->socketPath, a->socketPath);
    }
    EXPECT_EQ(SingleInstance::defaultChannel()->lockPath, a->lockPath);
}

TEST(SingleInstanceTest, RuntimeFolderOpenToOthersIsNotUsed) {
    QTemporaryDir runtime, temp;
    ASSERT_EQ(::chmod(QFile::encodeName(runtime.path()).constData(), 0777), 0);
    EnvVar runtimeVar("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    EnvVar tmp("TMPDIR", QFile::encodeName(temp.path()));
    const auto located = PrivateRuntimeFolder::locate();
    EXPECT_EQ(located.path, QStringLiteral("%1/mirelon-%2").arg(temp.path()).arg(ownUserId()));
    EXPECT_EQ(modeOf(located.path), 0700u);
    EXPECT_FALSE(QFile::exists(runtime.path() + QStringLiteral("/mirelon")));
}

TEST(SingleInstanceTest, PlantedFoldersAreRefused) {
    QTemporaryDir temp;
    // Our own folder left open is closed again.
    const QString open = temp.path() + QStringLiteral("/open");
    ASSERT_TRUE(QDir().mkdir(open));
    ASSERT_EQ(::chmod(QFile::encodeName(open).constData(), 0777), 0);
    EXPECT_EQ(PrivateRuntimeFolder::ensurePrivate(open), QString());
    EXPECT_EQ(modeOf(open), 0700u);

    // A link to a folder somewhere else is not ours to use.
    const QString link = temp.path() + QStringLiteral("/link");
    ASSERT_TRUE(QFile::link(open, link));
    EXPECT_NE(PrivateRuntimeFolder::ensurePrivate(link), QString());
    const QString file = temp.path() + QStringLiteral("/file");
    QFile(file).open(QIODevice::WriteOnly);
    EXPECT_NE(PrivateRuntimeFolder::ensurePrivate(file), QString());

    if (::getuid() != 0) {
        GTEST_SKIP() << "a folder of another user needs root to plant";
    }
    const QString foreign = temp.path() + QStringLiteral("/foreign");
    ASSERT_TRUE(QDir().mkdir(foreign));
    ASSERT_EQ(::chown(QFile::encodeName(foreign).constData(), 65534, 65534), 0);
    EXPECT_TRUE(
        PrivateRuntimeFolder::ensurePrivate(foreign).contains(QStringLiteral("another user")));
    EnvVar runtimeVar("XDG_RUNTIME_DIR", QByteArray());
    EnvVar tmp("TMPDIR", QFile::encodeName(temp.path()));
    ASSERT_TRUE(QFile::rename(foreign, temp.path() + QStringLiteral("/mirelon-0")));
    QString problem;
    EXPECT_FALSE(SingleInstance::defaultChannel(&problem));
    EXPECT_TRUE(problem.contains(QStringLiteral("another user")));
}

TEST(SingleInstanceTest, LockIsExclusiveUntilReleased) {
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/l.lock");
    auto first = std::make_unique<FileLock>(path);
    EXPECT_EQ(first->tryLock(), FileLock::Status::Acquired);
    FileLock second(path);
    EXPECT_EQ(second.tryLock(), FileLock::Status::Busy);
    first.reset();
    EXPECT_EQ(second.tryLock(), FileLock::Status::Acquired);
    EXPECT_EQ(modeOf(path), 0600u);
}

TEST(SingleInstanceTest, FloodsEndTheOldestClientsAndIdleOnesAreDropped) {
    ScopedManualScheduler clock;
    QTemporaryDir dir;
    SingleInstance instance(channelIn(dir));
    instance.setActionHandler([](const QString&) { return SingleInstance::ActionResult::Done; });
    ASSERT_EQ(instance.claim(), SingleInstance::Claim::Instance);

    std::vector<std::unique_ptr<QLocalSocket>> idle;
    auto connectOne = [&] {
        idle.push_back(std::make_unique<QLocalSocket>());
        idle.back()->connectToServer(channelIn(dir).socketPath);
        return idle.back()->waitForConnected(1000);
    };
    // One at a time, so that the listen backlog never fills.
    for (int i = 1; i <= SingleInstance::maximumClients; ++i) {
        ASSERT_TRUE(connectOne());
        ASSERT_TRUE(pumpUntil([&] { return instance.clientCount() == i; }));
    }
    // One more ends the oldest.
    ASSERT_TRUE(connectOne());
    EXPECT_TRUE(pumpUntil([&] {
        return idle.front()->state() == QLocalSocket::UnconnectedState &&
               instance.clientCount() == SingleInstance::maximumClients;
    }));
    EXPECT_EQ(idle[1]->state(), QLocalSocket::ConnectedState);

    // A request half sent is no better than none.
    idle.back()->write("action toggle");
    idle.back()->flush();
    clock.scheduler.advance(SingleInstance::idleTimeout - 0.5);
    QCoreApplication::processEvents();
    EXPECT_EQ(instance.clientCount(), SingleInstance::maximumClients) << "not before the deadline";
    clock.scheduler.advance(1.0);
    EXPECT_TRUE(pumpUntil([&] {
        for (const auto& socket : idle) {
            if (socket->state() != QLocalSocket::UnconnectedState) {
                return false;
            }
        }
        return instance.clientCount() == 0;
    }));

    // Still serving.
    const auto answer = whileServing([&] {
        return SingleInstance::send(channelIn(dir), SingleInstance::actionRequest("toggleText"));
    });
    EXPECT_EQ(answer.status, SingleInstance::Answer::Replied);
    EXPECT_EQ(answer.reply, SingleInstance::okReply);
    EXPECT_EQ(instance.clientCount(), 0) << "an answered client is not waited for";
}

// The descriptor limit of this process, lowered for one scope.
class DescriptorLimitScope {
public:
    explicit DescriptorLimitScope(rlim_t soft) {
        ::getrlimit(RLIMIT_NOFILE, &saved_);
        struct rlimit lowered = saved_;
        lowered.rlim_cur = soft;
        ok_ = ::setrlimit(RLIMIT_NOFILE, &lowered) == 0;
    }
    ~DescriptorLimitScope() { restore(); }
    void restore() { ::setrlimit(RLIMIT_NOFILE, &saved_); }
    bool ok() const { return ok_; }

private:
    struct rlimit saved_ {};
    bool ok_ = false;
};

int highestOpenDescriptor() {
    int highest = 0;
    const auto names = QDir(QStringLiteral("/proc/self/fd"))
                           .entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System);
    for (const QString& name : names) {
        highest = std::max(highest, name.toInt());
    }
    return highest;
}

TEST(SingleInstanceTest, ServerThatStopsListeningAtTheDescriptorLimitListensAgain) {
    mirelon::testing::LogCapture log("app.mirelon.Mirelon.instance");
    ScopedManualScheduler clock;
    QTemporaryDir dir;
    const auto channel = channelIn(dir);
    SingleInstance instance(channel);
    instance.setActionHandler([](const QString&) { return SingleInstance::ActionResult::Done; });
    ASSERT_EQ(instance.claim(), SingleInstance::Claim::Instance);
    QCoreApplication::processEvents();

    // Clients take every descriptor left, so that accept() fails for the
    // server (Qt then closes it and removes the socket file).
    std::vector<int> clients;
    {
        DescriptorLimitScope limit(static_cast<rlim_t>(highestOpenDescriptor() + 6));
        ASSERT_TRUE(limit.ok());
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray path = QFile::encodeName(channel.socketPath);
        std::memcpy(address.sun_path, path.constData(), static_cast<size_t>(path.size()));
        while (true) {
            const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
            if (fd < 0) {
                break;
            }
            clients.push_back(fd);
            ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        }
        ASSERT_FALSE(clients.empty());
        pumpUntil([&] { return !instance.isListening(); });
        ASSERT_FALSE(instance.isListening()) << "the flood did not stop the server";
        // A few descriptors come free (the sanitizers' own checks open a pipe
        // when the stop is logged); the flood still holds all the others.
        for (int i = 0; i < 3 && !clients.empty(); ++i) {
            ::close(clients.back());
            clients.pop_back();
        }
        clock.scheduler.advance(SingleInstance::listenCheckInterval);
        EXPECT_TRUE(instance.isListening());
        EXPECT_TRUE(QFileInfo(channel.socketPath).exists());
    }
    for (int fd : clients) {
        ::close(fd);
    }
    clock.scheduler.advance(SingleInstance::listenCheckInterval);
    EXPECT_TRUE(instance.isListening());
    EXPECT_EQ(log.countStartingWith("Stopped listening on " + channel.socketPath), 1)
        << "logged once, however many checks failed";
    EXPECT_EQ(log.countStartingWith("Listening again on " + channel.socketPath), 1);
    const auto answer = whileServing(
        [&] { return SingleInstance::send(channel, SingleInstance::actionRequest("toggleText")); });
    EXPECT_EQ(answer.status, SingleInstance::Answer::Replied);
    EXPECT_EQ(answer.reply, SingleInstance::okReply);
}
