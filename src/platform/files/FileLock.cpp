// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/files/FileLock.h"

#include <QFile>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

namespace mirelon {

FileLock::FileLock(QString path) : path_(std::move(path)) {}

FileLock::~FileLock() {
    if (fd_ >= 0) {
        ::close(fd_);  // releases the lock
    }
}

FileLock::Status FileLock::tryLock() {
    if (locked_) {
        return Status::Acquired;
    }
    if (fd_ < 0) {
        // No link is followed and nothing blocks: a FIFO planted here must not hang us.
        fd_ = ::open(QFile::encodeName(path_).constData(),
                     O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0600);
        if (fd_ < 0) {
            problem_ = QStringLiteral("cannot open %1: %2")
                           .arg(path_, QString::fromLocal8Bit(std::strerror(errno)));
            return Status::Unusable;
        }
        struct stat info {};
        if (::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::getuid()) {
            problem_ = QStringLiteral("%1 is not a file of this user").arg(path_);
            ::close(fd_);
            fd_ = -1;
            return Status::Unusable;
        }
    }
    if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) {
        locked_ = true;
        return Status::Acquired;
    }
    if (errno == EWOULDBLOCK || errno == EINTR) {
        return Status::Busy;
    }
    problem_ = QStringLiteral("cannot lock %1: %2")
                   .arg(path_, QString::fromLocal8Bit(std::strerror(errno)));
    return Status::Unusable;
}

}  // namespace mirelon
