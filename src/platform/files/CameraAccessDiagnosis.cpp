// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/files/CameraAccessDiagnosis.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mirelon::CameraAccess {
namespace {

// The help texts share one translation context.
struct Text {
    Q_DECLARE_TR_FUNCTIONS(CameraAccessHelp)
};

QString groupName(gid_t gid) {
    if (const group* g = ::getgrgid(gid)) {
        return QString::fromLocal8Bit(g->gr_name);
    }
    return QString::number(gid);
}

bool processHasGroup(gid_t gid) {
    if (::getegid() == gid) {
        return true;
    }
    const int count = ::getgroups(0, nullptr);
    if (count <= 0) {
        return false;
    }
    std::vector<gid_t> groups(static_cast<size_t>(count));
    const int got = ::getgroups(count, groups.data());
    return got > 0 && std::find(groups.begin(), groups.begin() + got, gid) != groups.begin() + got;
}

// Other processes holding each node: /proc/<pid>/fd/<n> links that point at it.
// Only this user's processes can be looked into, which is where a second
// camera program usually is.
void findUsers(QList<NodeProbe>& probes, const QString& procFolder) {
    const QDir proc(procFolder);
    const QString self = QString::number(::getpid());
    const auto pids = proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& pid : pids) {
        bool numeric = false;
        pid.toInt(&numeric);
        if (!numeric || pid == self) {
            continue;
        }
        const QDir fds(proc.filePath(pid + QStringLiteral("/fd")));
        const auto entries = fds.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
        QString program;
        for (const QString& fd : entries) {
            const QString target = QFile::symLinkTarget(fds.filePath(fd));
            for (NodeProbe& probe : probes) {
                if (target != probe.path) {
                    continue;
                }
                if (program.isNull()) {
                    QFile comm(proc.filePath(pid + QStringLiteral("/comm")));
                    program = comm.open(QIODevice::ReadOnly)
                                  ? QString::fromUtf8(comm.read(64)).trimmed()
                                  : QString();
                    if (program.isEmpty()) {
                        program = QStringLiteral("?");
                    }
                }
                const QString user = Text::tr("%1 (process %2)").arg(program, pid);
                if (!probe.users.contains(user)) {
                    probe.users.append(user);
                }
            }
        }
    }
}

}  // namespace

QList<NodeProbe> probeNodes(const QString& deviceFolder, const QString& procFolder) {
    const QDir dir(deviceFolder);
    QStringList nodes = dir.entryList({QStringLiteral("video*")}, QDir::System | QDir::Files);
    // video2 before video10.
    const auto number = [](const QString& node) {
        return node.mid(5).toLongLong();  // after "video"; not a number gives 0
    };
    std::stable_sort(nodes.begin(), nodes.end(),
                     [&](const QString& a, const QString& b) { return number(a) < number(b); });
    QList<NodeProbe> probes;
    for (const QString& node : nodes) {
        NodeProbe probe;
        probe.path = QFileInfo(dir.filePath(node)).absoluteFilePath();
        const QByteArray path = QFile::encodeName(probe.path);
        const int fd = ::open(path.constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0) {
            ::close(fd);
        } else {
            probe.error = errno;
        }
        struct stat info {};
        if (::stat(path.constData(), &info) == 0) {
            probe.group = groupName(info.st_gid);
            probe.userInGroup = processHasGroup(info.st_gid);
        }
        probes.append(probe);
    }
    findUsers(probes, procFolder);
    return probes;
}

QString explain(const QList<NodeProbe>& probes) {
    if (probes.isEmpty()) {
        return Text::tr(
            "No camera device was found (there is no /dev/video device). Check that the "
            "camera is plugged in and switched on; some laptops have a key or a switch that "
            "turns the camera off.");
    }
    QStringList parts;
    bool needsGroup = false;
    QString missingGroup;
    for (const NodeProbe& probe : probes) {
        if (probe.error == EACCES || probe.error == EPERM) {
            if (!probe.group.isEmpty() && !probe.userInGroup) {
                parts.append(
                    Text::tr("%1 could not be opened: permission denied. It belongs to the "
                             "group “%2”, and this session is not a member of it.")
                        .arg(probe.path, probe.group));
                needsGroup = true;
                missingGroup = probe.group;
            } else {
                parts.append(
                    Text::tr("%1 could not be opened: permission denied.").arg(probe.path));
            }
        } else if (probe.error == EBUSY) {
            parts.append(
                Text::tr("%1 is busy: another program is using the camera.").arg(probe.path));
        } else if (probe.error != 0) {
            parts.append(Text::tr("%1 could not be opened: %2.")
                             .arg(probe.path, QString::fromLocal8Bit(std::strerror(probe.error))));
        }
        if (!probe.users.isEmpty()) {
            parts.append(
                Text::tr("%1 is in use by %2. A camera usually serves one program at a time: "
                         "close the other program and try again.")
                    .arg(probe.path, probe.users.join(QStringLiteral(", "))));
        }
    }
    if (needsGroup) {
        // The user's group list is read at login: a new membership counts only
        // in a new session.
        parts.append(Text::tr("To get access, add your account to that group with\n\n"
                              "    sudo usermod -aG %1 $USER\n\n"
                              "then log out and log in again.")
                         .arg(missingGroup));
    }
    if (parts.isEmpty()) {
        parts.append(
            Text::tr("Every camera device (%1) can be opened. If the picture still does not "
                     "appear, another program may be using the camera: close it and try again.")
                .arg([&] {
                    QStringList paths;
                    for (const NodeProbe& p : probes) {
                        paths.append(p.path);
                    }
                    return paths.join(QStringLiteral(", "));
                }()));
    }
    return parts.join(QStringLiteral("\n\n"));
}

}  // namespace mirelon::CameraAccess
