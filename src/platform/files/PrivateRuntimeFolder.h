// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace mirelon::PrivateRuntimeFolder {

// A folder only this user can enter, for sockets and lock files:
// $XDG_RUNTIME_DIR/mirelon when the runtime folder is this user's and closed
// to others, else <temporary folder>/mirelon-<uid>. The folder is created with
// mode 0700 when missing; an existing one must be a real folder (no link)
// owned by this user, and is closed to others when it is not.
struct Result {
    QString path;     // empty when no private folder can be had
    QString problem;  // why not, for the log
};
Result locate();

// The same checks on one folder path: creates it (0700) when missing.
// Returns an empty string when the folder is usable, else the reason.
QString ensurePrivate(const QString& path);

}  // namespace mirelon::PrivateRuntimeFolder
