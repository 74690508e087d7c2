// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/files/FolderWatch.h"

#include "platform/qt/Logging.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>

#include <sys/inotify.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

namespace mirelon {
namespace {

constexpr uint32_t kFolderEvents = IN_CREATE | IN_DELETE | IN_MODIFY | IN_CLOSE_WRITE | IN_ATTRIB |
                                   IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF |
                                   IN_ONLYDIR;
constexpr uint32_t kParentEvents =
    IN_CREATE | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

}  // namespace

FolderWatch::FolderWatch(QString folder, QObject* parent)
    : QObject(parent), folder_(QDir::cleanPath(QFileInfo(folder).absoluteFilePath())) {
    fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ < 0) {
        qCWarning(lcCore).noquote() << "Cannot watch" << folder_ << ":" << std::strerror(errno);
        return;
    }
    notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { readEvents(); });
    arm();
}

FolderWatch::~FolderWatch() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

void FolderWatch::dropWatch(int& wd) {
    if (wd >= 0) {
        ::inotify_rm_watch(fd_, wd);
        wd = -1;
    }
}

void FolderWatch::arm() {
    if (fd_ < 0) {
        return;
    }
    if (folderWatch_ < 0) {
        folderWatch_ =
            ::inotify_add_watch(fd_, QFile::encodeName(folder_).constData(), kFolderEvents);
    }
    if (folderWatch_ >= 0) {
        dropWatch(parentWatch_);
        return;
    }
    // Missing: wait for it in the nearest parent that exists.
    dropWatch(parentWatch_);
    QString parent = QFileInfo(folder_).absolutePath();
    while (parentWatch_ < 0) {
        parentWatch_ =
            ::inotify_add_watch(fd_, QFile::encodeName(parent).constData(), kParentEvents);
        const QString up = QFileInfo(parent).absolutePath();
        if (parentWatch_ >= 0 || up == parent) {
            break;
        }
        parent = up;
    }
    // Created between the failed watch and the parent's: take it now.
    folderWatch_ = ::inotify_add_watch(fd_, QFile::encodeName(folder_).constData(), kFolderEvents);
    if (folderWatch_ >= 0) {
        dropWatch(parentWatch_);
    }
}

void FolderWatch::readEvents() {
    alignas(inotify_event) char buffer[16 * 1024];
    QStringList names;
    bool reset = false;          // the folder's listing may differ in any way
    bool parentChanged = false;  // something happened where the missing folder belongs
    for (;;) {
        const ssize_t n = ::read(fd_, buffer, sizeof buffer);
        if (n <= 0) {
            break;
        }
        for (ssize_t offset = 0; offset < n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + offset);
            offset += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            if (event->mask & IN_Q_OVERFLOW) {
                reset = true;
            } else if (event->wd == folderWatch_ && folderWatch_ >= 0) {
                if (event->mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED)) {
                    dropWatch(folderWatch_);
                    reset = true;
                } else if (event->len > 0) {
                    const QString name = QFile::decodeName(event->name);
                    if (names.isEmpty() || names.constLast() != name) {
                        names.append(name);
                    }
                }
            } else if (event->wd == parentWatch_ && parentWatch_ >= 0) {
                if (event->mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED)) {
                    parentWatch_ = -1;  // gone with its folder: look further up
                }
                parentChanged = true;
            }
        }
    }
    const bool wasWatching = isWatchingFolder();
    if (reset || parentChanged) {
        arm();
    }
    if (!wasWatching && isWatchingFolder()) {
        qCInfo(lcCore).noquote() << "Watching" << folder_ << "again";
        reset = true;
    }
    if (reset) {
        Q_EMIT folderReset();
    }
    if (!names.isEmpty()) {
        Q_EMIT entriesChanged(names);
    }
}

}  // namespace mirelon
