// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace mirelon::RegularFile {

// Reads at most maxBytes from path without ever blocking on it: the file is
// opened non-blocking and refused unless it is a regular file (a FIFO, a
// device or a socket left where a file belongs would otherwise hang the
// caller until someone writes to it). None, with the reason in *error, when
// the file is missing, unreadable or not a regular file.
std::optional<QByteArray> read(const QString& path, qint64 maxBytes, QString* error = nullptr);

// Whether path names something that exists but is not a regular file (after
// following links).
bool isSomethingElse(const QString& path);

}  // namespace mirelon::RegularFile
