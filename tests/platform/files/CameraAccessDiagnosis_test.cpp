// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/files/CameraAccessDiagnosis.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace mirelon::CameraAccess {
namespace {

NodeProbe probe(const QString& path, int error, const QString& group = {}, bool inGroup = false) {
    NodeProbe p;
    p.path = path;
    p.error = error;
    p.group = group;
    p.userInGroup = inGroup;
    return p;
}

TEST(CameraAccessDiagnosis, NamesTheRefusedDeviceAndTheCommandThatFixesIt) {
    const QString text =
        explain({probe("/dev/video0", 0), probe("/dev/video2", EACCES, "video", false)});
    EXPECT_TRUE(text.contains("/dev/video2 could not be opened: permission denied"));
    EXPECT_TRUE(text.contains(u"group \u201Cvideo\u201D"));
    EXPECT_TRUE(text.contains("sudo usermod -aG video $USER"));
    EXPECT_TRUE(text.contains("log out and log in again"));
    EXPECT_FALSE(text.contains("/dev/video0")) << "a device that opens is not a problem";
}

TEST(CameraAccessDiagnosis, AGroupTheSessionAlreadyHasGetsNoUsermodAdvice) {
    // Another cause (an access control list, a sandbox): no wrong command.
    const QString text = explain({probe("/dev/video0", EPERM, "video", true)});
    EXPECT_TRUE(text.contains("/dev/video0 could not be opened: permission denied."));
    EXPECT_FALSE(text.contains("usermod"));
}

TEST(CameraAccessDiagnosis, BusyAndHeldDevicesNameTheOtherProgram) {
    NodeProbe held = probe("/dev/video0", 0);
    held.users = {"cheese (process 4242)"};
    const QString text = explain({held, probe("/dev/video1", EBUSY)});
    EXPECT_TRUE(text.contains("/dev/video0 is in use by cheese (process 4242)"));
    EXPECT_TRUE(text.contains("/dev/video1 is busy: another program is using the camera."));
    EXPECT_FALSE(text.contains("usermod"));
}

TEST(CameraAccessDiagnosis, NoDevicesAndAllDevicesOpenAreSaidPlainly) {
    EXPECT_TRUE(explain({}).contains("No camera device was found"));
    const QString fine = explain({probe("/dev/video0", 0), probe("/dev/video1", 0)});
    EXPECT_TRUE(fine.contains("Every camera device (/dev/video0, /dev/video1) can be opened"));
    EXPECT_TRUE(
        explain({probe("/dev/video0", ENXIO)}).contains("/dev/video0 could not be opened: "));
}

TEST(CameraAccessDiagnosis, ProbesNodesInNumericOrderAndFindsProgramsHoldingThem) {
    QTemporaryDir dev;
    QTemporaryDir proc;
    ASSERT_TRUE(dev.isValid() && proc.isValid());
    for (const char* name : {"video10", "video2", "vbi0"}) {
        QFile f(dev.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    // A fake process table: process 77 ("cheese") holds video2 open.
    ASSERT_TRUE(QDir(proc.path()).mkpath("77/fd"));
    ASSERT_TRUE(QDir(proc.path()).mkpath("self/fd"));
    QFile comm(proc.filePath("77/comm"));
    ASSERT_TRUE(comm.open(QIODevice::WriteOnly));
    comm.write("cheese\n");
    comm.close();
    ASSERT_TRUE(QFile::link(dev.filePath("video2"), proc.filePath("77/fd/5")));
    ASSERT_TRUE(QFile::link(dev.filePath("video2"), proc.filePath("77/fd/6")));
    ASSERT_TRUE(QFile::link(dev.filePath("video10"), proc.filePath("self/fd/3")));

    const QList<NodeProbe> probes = probeNodes(dev.path(), proc.path());
    ASSERT_EQ(probes.size(), 2);
    EXPECT_EQ(probes[0].path, dev.filePath("video2"));
    EXPECT_EQ(probes[1].path, dev.filePath("video10"));
    EXPECT_EQ(probes[0].error, 0);
    EXPECT_FALSE(probes[0].group.isEmpty());
    EXPECT_TRUE(probes[0].userInGroup) << "the test's own file is in its own group";
    EXPECT_EQ(probes[0].users, QStringList{"cheese (process 77)"});
    EXPECT_TRUE(probes[1].users.isEmpty()) << "entries that are not processes are skipped: "
                                           << probes[1].users.join(", ").toStdString();
}

}  // namespace
}  // namespace mirelon::CameraAccess
