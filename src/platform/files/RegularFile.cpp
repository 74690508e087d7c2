// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/files/RegularFile.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

namespace mirelon::RegularFile {

std::optional<QByteArray> read(const QString& path, qint64 maxBytes, QString* error) {
    auto fail = [&](const QString& why) -> std::optional<QByteArray> {
        if (error) {
            *error = why;
        }
        return std::nullopt;
    };
    const QByteArray encoded = QFile::encodeName(path);
    // Looked at before it is opened, so that no device is ever opened (some
    // act on open alone), and checked again on what was opened.
    struct stat before {};
    if (::stat(encoded.constData(), &before) != 0) {
        return fail(QString::fromLocal8Bit(std::strerror(errno)));
    }
    if (!S_ISREG(before.st_mode)) {
        return fail(QStringLiteral("not a regular file"));
    }
    const int fd = ::open(encoded.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        return fail(QString::fromLocal8Bit(std::strerror(errno)));
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return fail(QStringLiteral("not a regular file"));
    }
    QByteArray bytes;
    bytes.resize(static_cast<qsizetype>(qMin<qint64>(maxBytes, qMax<qint64>(st.st_size, 0))));
    qsizetype got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + got, static_cast<size_t>(bytes.size() - got));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            const int err = errno;
            ::close(fd);
            return fail(QString::fromLocal8Bit(std::strerror(err)));
        }
        if (n == 0) {
            break;
        }
        got += n;
    }
    ::close(fd);
    bytes.resize(got);
    return bytes;
}

bool isSomethingElse(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && !S_ISREG(st.st_mode);
}

}  // namespace mirelon::RegularFile
