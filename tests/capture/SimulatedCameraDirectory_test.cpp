// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/SimulatedCameraDirectory.h"

#include "capture/LogCapture.h"
#include "capture/SimulatedCameraFolder.h"
#include "platform/qt/ManualScheduler.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>
#include <cstdio>
#include <functional>

namespace mirelon {
namespace {

class SimulatedCameras : public ::testing::Test {
protected:
    ScopedManualScheduler clock;
    QTemporaryDir dir;
    EventBus center;
    QStringList events;
    ObserverToken connected =
        center.addObserver(Notifications::cameraConnected,
                           [this](const Notification& n) { events << "+" + n.object.toString(); });
    ObserverToken disconnected =
        center.addObserver(Notifications::cameraDisconnected,
                           [this](const Notification& n) { events << "-" + n.object.toString(); });
    ObserverToken changed =
        center.addObserver(Notifications::cameraChanged,
                           [this](const Notification& n) { events << "~" + n.object.toString(); });

    void write(const QString& file, const QByteArray& content) {
        QFile f(dir.path() + "/" + file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(content);
    }
    // Delivers the folder watch's events and runs the coalesced rescan until
    // done() holds (bounded by the test's timeout, never by a time of ours).
    void deliverUntil(const std::function<bool()>& done) {
        while (!done()) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
            clock.scheduler.advance(0.05);
        }
    }
};

TEST_F(SimulatedCameras, ListsFilesInNameOrderWithTheirFields) {
    write("b.json", R"({"name": "Second", "isDefault": true})");
    write("a.json", R"({"name": "First", "pattern": "ball", "width": 640, "height": 480,
                        "fps": 15, "fail": "stall"})");
    write("notes.txt", "ignored");
    SimulatedCameraDirectory cameras(dir.path(), center);
    const auto devices = cameras.devices();
    ASSERT_EQ(devices.size(), 2);
    EXPECT_EQ(devices[0], (AvailableCameraDevice{"a", "First", false}));
    EXPECT_EQ(devices[1], (AvailableCameraDevice{"b", "Second", true}));
    const auto spec = *cameras.spec("a");
    EXPECT_EQ(spec.pattern, "ball");
    EXPECT_EQ(spec.width, 640);
    EXPECT_EQ(spec.fps, 15);
    EXPECT_EQ(spec.fail, SimulatedFailure::stall);
    EXPECT_EQ(cameras.spec("b")->width, 1280) << "defaults for missing members";
    EXPECT_TRUE(events.isEmpty()) << "the starting list is not a connection";
}

TEST_F(SimulatedCameras, FileChangesBecomeConnectionsRenamesAndDisconnections) {
    SimulatedCameraDirectory cameras(dir.path(), center);
    write("cam.json", R"({"name": "Desk"})");
    cameras.rescan();
    write("cam.json", R"({"name": "Desk renamed"})");
    cameras.rescan();
    QFile::remove(dir.path() + "/cam.json");
    cameras.rescan();
    EXPECT_EQ(events, (QStringList{"+cam", "~cam", "-cam"}));
}

TEST_F(SimulatedCameras, MalformedFilesAreRejectedNotCrashed) {
    const QList<QByteArray> bad = {
        "",
        "{",
        "[]",
        "null",
        R"({"name": 5})",
        R"({"isDefault": true})",
        R"({"name": "x", "width": -1})",
        R"({"name": "x", "width": 1e308})",
        R"({"name": "x", "fps": 2.5})",
        R"({"name": "x", "fail": "explode"})",
        R"({"name": "x", "pattern": "smpte ! filesink location=/tmp/x"})",
        R"({"name": "x", "isDefault": "yes"})",
        R"({"name": "x", "noisyFrames": 0})",
        R"({"name": "x", "noisyFrames": 65})"};
    for (const auto& content : bad) {
        QString error;
        EXPECT_FALSE(SimulatedCameraFile::parse("id", content, &error)) << content.constData();
        EXPECT_FALSE(error.isEmpty());
    }
    const auto noisy = SimulatedCameraFile::parse("id", R"({"name": "x", "noisyFrames": 8})");
    ASSERT_TRUE(noisy);
    EXPECT_EQ(noisy->noisyFrames, 8);
    EXPECT_EQ(SimulatedCameraFile::parse("id", R"({"name": "x"})")->noisyFrames, 1);
    write("bad.json", "{");
    write("good.json", R"({"name": "Good"})");
    QFile big(dir.path() + "/big.json");
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    big.write(QByteArray(200 * 1024, ' ') + R"({"name": "Big"})");
    big.close();
    QDir(dir.path()).mkdir("folder.json");
    SimulatedCameraDirectory cameras(dir.path(), center);
    ASSERT_EQ(cameras.devices().size(), 1);
    EXPECT_EQ(cameras.devices()[0].id, "good");
}

TEST_F(SimulatedCameras, WhatIsNotARegularFileIsReportedOnceWithItsName) {
    testing::LogCapture log("app.mirelon.Mirelon.capture");
    write("good.json", R"({"name": "Good"})");
    // Opening a FIFO waits for a writer: it must never be opened.
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.path() + "/pipe.json").constData(), 0600), 0);
    QDir(dir.path()).mkdir("folder.json");
    SimulatedCameraFolder folder(dir.path(), false);
    folder.rescan();
    folder.rescanEntries({"pipe.json", "folder.json"});
    ASSERT_EQ(folder.cameras().keys(), QStringList{"good"});
    EXPECT_EQ(log.count("Ignoring simulated camera pipe.json : not a regular file"), 1);
    EXPECT_EQ(log.count("Ignoring simulated camera folder.json : not a regular file"), 1);

    // Made again after it went away: reported again.
    ASSERT_TRUE(QFile::remove(dir.path() + "/pipe.json"));
    folder.rescanEntries({"pipe.json"});
    ASSERT_EQ(::symlink("good.json", QFile::encodeName(dir.path() + "/pipe.json").constData()), 0);
    folder.rescanEntries({"pipe.json"});
    EXPECT_EQ(folder.cameras().keys(), (QStringList{"good", "pipe"})) << "a link to a file is read";
    ASSERT_TRUE(QFile::remove(dir.path() + "/pipe.json"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.path() + "/pipe.json").constData(), 0600), 0);
    folder.rescanEntries({"pipe.json"});
    EXPECT_EQ(log.count("Ignoring simulated camera pipe.json : not a regular file"), 2);
    EXPECT_EQ(folder.cameras().keys(), QStringList{"good"});
}

TEST_F(SimulatedCameras, WatchedChangesAreSeenWithoutAnyRescanByHand) {
    write("a.json", R"({"name": "A"})");
    SimulatedCameraDirectory cameras(dir.path(), center);
    write("b.json", R"({"name": "B"})");
    deliverUntil([&] { return events.contains("+b"); });
    write("a.json", R"({"name": "A renamed"})");  // written in place
    deliverUntil([&] { return events.contains("~a"); });
    EXPECT_EQ(cameras.spec("a")->name, "A renamed");
    // Replaced by a rename, as editors save.
    write("c.tmp", R"({"name": "B again"})");
    ASSERT_EQ(std::rename(QFile::encodeName(dir.path() + "/c.tmp").constData(),
                          QFile::encodeName(dir.path() + "/b.json").constData()),
              0);
    deliverUntil([&] { return cameras.spec("b") && cameras.spec("b")->name == "B again"; });
    QFile::remove(dir.path() + "/a.json");
    deliverUntil([&] { return events.contains("-a"); });
    EXPECT_EQ(events, (QStringList{"+b", "~a", "~b", "-a"}));
}

TEST_F(SimulatedCameras, OnlyTheNamedFilesAreReadAgain) {
    write("a.json", R"({"name": "A"})");
    write("b.json", R"({"name": "B"})");
    SimulatedCameraDirectory cameras(dir.path(), center);
    write("a.json", R"({"name": "A2"})");
    write("b.json", R"({"name": "B2"})");
    write("c.json", R"({"name": "C"})");
    cameras.rescanEntries({"a.json", "c.json", "notes.txt", ".hidden.json"});
    EXPECT_EQ(cameras.spec("a")->name, "A2");
    EXPECT_EQ(cameras.spec("b")->name, "B") << "b was not named, so not read";
    EXPECT_EQ(cameras.spec("c")->name, "C");
    QFile::remove(dir.path() + "/c.json");
    cameras.rescanEntries({"c.json"});
    EXPECT_FALSE(cameras.spec("c"));
    EXPECT_EQ(events, (QStringList{"~a", "+c", "-c"}));
}

TEST_F(SimulatedCameras, FolderRemovedAndMadeAgainIsWatchedAgain) {
    const QString folder = dir.path() + "/cams";
    QDir().mkpath(folder);
    write("cams/a.json", R"({"name": "A"})");
    SimulatedCameraDirectory cameras(folder, center);
    ASSERT_EQ(cameras.devices().size(), 1);
    ASSERT_TRUE(QDir(folder).removeRecursively());
    deliverUntil([&] { return events.contains("-a"); });
    for (int round = 0; round < 2; ++round) {
        QDir().mkpath(folder);
        write("cams/b.json", R"({"name": "B"})");
        deliverUntil([&] { return cameras.spec("b").has_value(); });
        ASSERT_TRUE(QDir(folder).removeRecursively());
        deliverUntil([&] { return cameras.devices().isEmpty(); });
    }
    // Also when the folder's parent was missing at the start.
    SimulatedCameraDirectory later(dir.path() + "/x/y", center);
    QDir().mkpath(dir.path() + "/x/y");
    write("x/y/late.json", R"({"name": "Late"})");
    deliverUntil([&] { return later.spec("late").has_value(); });
    EXPECT_EQ(events.count("+b"), 2);
    EXPECT_EQ(events.count("-b"), 2);
}

TEST_F(SimulatedCameras, MissingFolderListsNothing) {
    SimulatedCameraDirectory cameras(dir.path() + "/absent", center);
    EXPECT_TRUE(cameras.devices().isEmpty());
}

}  // namespace
}  // namespace mirelon
