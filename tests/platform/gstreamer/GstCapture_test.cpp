// SPDX-License-Identifier: GPL-3.0-or-later
// The system side of capture: camera ids, the permission check, V4L2 inputs.

#include "capture/CaptureService.h"
#include "platform/files/CameraPermission.h"
#include "platform/gstreamer/GstCameraDirectory.h"
#include "platform/gstreamer/GstV4l2Capture.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "capture/LogCapture.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace mirelon {
namespace {

using GstCameraIdentity::Properties;

TEST(GstCameraIdentityTest, IdDependsOnTheDeviceAloneNeverOnItsNode) {
    const QString serial = "usb-Acme_HD_Webcam_0123456-video-index0";
    // A real serial number: the serial identity, whatever port or node.
    EXPECT_EQ(GstCameraIdentity::cameraId(
                  {"v4l2", "/dev/video0", serial, "pci-0000:00:14.0-usb-0:1:1.0", true}),
              serial);
    EXPECT_EQ(GstCameraIdentity::cameraId(
                  {"v4l2", "/dev/video4", serial, "pci-0000:00:14.0-usb-0:3:1.0", true}),
              serial);
    // No real serial: two identical cameras differ by their port.
    const QString a =
        GstCameraIdentity::cameraId({"v4l2", "/dev/video0", "usb-Acme_Cam-video-index0",
                                     "pci-0000:00:14.0-usb-0:1:1.0", false});
    const QString b =
        GstCameraIdentity::cameraId({"v4l2", "/dev/video2", "usb-Acme_Cam-video-index0",
                                     "pci-0000:00:14.0-usb-0:2:1.0", false});
    EXPECT_NE(a, b);
    EXPECT_TRUE(a.startsWith("usb-Acme_Cam-video-index0"));
    EXPECT_FALSE(a.contains("/dev/video"));
    // Nothing else: the device path.
    EXPECT_EQ(GstCameraIdentity::cameraId({"v4l2", "/dev/video7", "", "", false}), "/dev/video7");

    EXPECT_EQ(GstCameraIdentity::deviceNodeNumber("/dev/video12"), 12);
    EXPECT_GT(GstCameraIdentity::deviceNodeNumber("/dev/media0"), 1000);
}

TEST(GstCameraDirectoryTest, ListsOnlyUsableCamerasWithOneDefault) {
    GstCameraDirectory directory;
    const auto devices = directory.devices();
    int defaults = 0;
    for (const auto& d : devices) {
        EXPECT_FALSE(d.id.isEmpty());
        defaults += d.isDefault ? 1 : 0;
    }
    EXPECT_EQ(defaults, devices.isEmpty() ? 0 : 1);
    QString error;
    EXPECT_EQ(GstV4l2Capture::makeInput(directory, "no-such-camera", &error), nullptr);
    EXPECT_EQ(error, "The camera is not connected.");
}

// systemStatus() as an unprivileged user sees it (in a child process when
// running as root, since root opens everything).
CameraAuthorization statusAsUser(const QString& folder) {
    if (::geteuid() != 0) {
        return CameraPermission::systemStatus(folder);
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::alarm(10);
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) {
            ::_exit(100);
        }
        ::_exit(static_cast<int>(CameraPermission::systemStatus(folder)));
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_LT(WEXITSTATUS(status), 100);
    return static_cast<CameraAuthorization>(WEXITSTATUS(status));
}

class PermissionFolderTest : public ::testing::Test {
protected:
    void touch(const QString& name, QFile::Permissions permissions) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.close();
        f.setPermissions(permissions);
    }
    QTemporaryDir dir;
};

TEST_F(PermissionFolderTest, SystemStatusFollowsTheDeviceNodes) {
    EXPECT_EQ(CameraPermission::systemStatus(dir.path()), CameraAuthorization::authorized);
    // Nodes of another owner that refuse others, as for a user outside the
    // "video" group. As root, look at them as an unprivileged user.
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                          QFile::ReadOther | QFile::ExeOther);
    const QFile::Permissions ownerOnly = QFile::ReadOwner | QFile::WriteOwner;
    const QFile::Permissions everyone = ownerOnly | QFile::ReadOther | QFile::WriteOther;
    touch("video0", ::geteuid() == 0 ? ownerOnly : QFile::ReadOwner);
    touch("video1", ::geteuid() == 0 ? ownerOnly : QFile::ReadOwner);
    EXPECT_EQ(statusAsUser(dir.path()), CameraAuthorization::denied);
    touch("video2", everyone);
    EXPECT_EQ(statusAsUser(dir.path()), CameraAuthorization::authorized);
}

TEST_F(PermissionFolderTest, SimulatedPermissionWords) {
    auto write = [&](const QByteArray& word) {
        QFile f(dir.filePath(".permission"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(word);
    };
    EXPECT_EQ(CameraPermission::simulatedStatus(dir.path()), CameraAuthorization::authorized);
    write("denied\n");
    EXPECT_EQ(CameraPermission::simulatedStatus(dir.path()), CameraAuthorization::denied);
    write("restricted");
    EXPECT_EQ(CameraPermission::simulatedStatus(dir.path()), CameraAuthorization::restricted);
    write("  notDetermined \n");
    EXPECT_EQ(CameraPermission::simulatedStatus(dir.path()), CameraAuthorization::notDetermined);
    write("authorized");
    EXPECT_EQ(CameraPermission::simulatedStatus(dir.path()), CameraAuthorization::authorized);
    write("sure, why not");  // unknown words never grant access
    EXPECT_EQ(CameraPermission::simulatedStatus(dir.path()), CameraAuthorization::denied);
    write(QByteArray(100000, 'a'));
    EXPECT_EQ(CameraPermission::simulatedStatus(dir.path()), CameraAuthorization::denied);
}

TEST_F(PermissionFolderTest, NonRegularPermissionFileIsRefusedWithoutBlocking) {
    testing::LogCapture log("app.mirelon.Mirelon.capture");
    const QString path = dir.filePath(".permission");
    // Opening a FIFO for reading blocks until a writer comes: it must not be waited on.
    ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    EXPECT_EQ(CameraPermission::simulatedStatus(dir.path()), CameraAuthorization::denied);
    EXPECT_EQ(log.countStartingWith("Cannot read simulated camera permission file"), 1);
    EXPECT_EQ(log.messages().size(), 1);
    ASSERT_EQ(::unlink(QFile::encodeName(path).constData()), 0);
    ASSERT_TRUE(QDir(dir.path()).mkdir(".permission"));
    EXPECT_EQ(CameraPermission::simulatedStatus(dir.path()), CameraAuthorization::denied);
    EXPECT_EQ(log.countStartingWith("Cannot read simulated camera permission file"), 2);
}

}  // namespace
}  // namespace mirelon
