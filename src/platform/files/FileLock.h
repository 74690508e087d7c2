// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace mirelon {

// An exclusive advisory lock (flock) on a file of this user, held until the
// object goes. The lock goes with the process too, however it ends, so a
// crashed holder never blocks the next one.
class FileLock {
public:
    enum class Status {
        Acquired,
        Busy,      // another process holds it
        Unusable,  // the file cannot be opened, is not a regular file or is not ours
    };

    explicit FileLock(QString path);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Takes the lock without waiting. Once acquired, further calls say so.
    Status tryLock();
    bool isLocked() const { return locked_; }
    // Why the last tryLock() found the file unusable.
    QString problem() const { return problem_; }

private:
    QString path_;
    int fd_ = -1;
    bool locked_ = false;
    QString problem_;
};

}  // namespace mirelon
