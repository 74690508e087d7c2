// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>

namespace mirelon::CameraAccess {

// What happened when the program tried one video device node.
struct NodeProbe {
    QString path;              // "/dev/video0"
    int error = 0;             // errno of open(), 0 when it opened
    QString group;             // the group that owns the node, empty when unknown
    bool userInGroup = false;  // this process runs with that group
    QStringList users;         // other programs holding the node open ("cheese (pid 1234)")
};

// Opens every video* node in the folder once (and closes it again) and looks
// through procFolder/<pid>/fd for other processes of this user that hold it.
QList<NodeProbe> probeNodes(const QString& deviceFolder = QStringLiteral("/dev"),
                            const QString& procFolder = QStringLiteral("/proc"));

// The help text for the probes: which device could not be opened and why,
// with the command that fixes a missing group membership. Plain text.
QString explain(const QList<NodeProbe>& probes);

}  // namespace mirelon::CameraAccess
