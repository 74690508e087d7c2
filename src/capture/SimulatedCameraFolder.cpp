// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/SimulatedCameraFolder.h"

#include "platform/files/RegularFile.h"
#include "platform/qt/Logging.h"

#include <QDir>
#include <QFile>
#include <QHash>

#include <mutex>
#include <utility>

namespace mirelon {
namespace {

constexpr qint64 kMaxFileSize = 64 * 1024;

// A file that cannot be read is reported once per program and reason, however
// many listings of the folder meet it (the camera list and the device
// provider each keep one, and probes make more).
std::mutex reportsMutex;
QHash<QString, QString>& unreadableReports() {
    static QHash<QString, QString> reports;  // path -> reason reported
    return reports;
}

bool isFirstReport(const QString& path, const QString& why) {
    const std::lock_guard lock(reportsMutex);
    auto& reports = unreadableReports();
    const auto it = reports.constFind(path);
    if (it != reports.constEnd() && *it == why) {
        return false;
    }
    reports.insert(path, why);
    return true;
}

void forgetReport(const QString& path) {
    const std::lock_guard lock(reportsMutex);
    unreadableReports().remove(path);
}

}  // namespace

SimulatedCameraFolder::SimulatedCameraFolder(QString folder, bool watch, QObject* parent)
    : QObject(parent), folder_(std::move(folder)) {
    if (watch) {
        watch_ = new FolderWatch(folder_, this);
        connect(watch_, &FolderWatch::entriesChanged, this, [this](const QStringList& names) {
            for (const QString& name : names) {
                pendingEntries_.insert(name);
            }
            scheduleRescan();
        });
        connect(watch_, &FolderWatch::folderReset, this, [this] {
            pendingFullRescan_ = true;
            scheduleRescan();
        });
    }
    rescan();
}

SimulatedCameraFolder::~SimulatedCameraFolder() = default;

void SimulatedCameraFolder::scheduleRescan() {
    // Coalesce bursts of file events; well within the 200 ms promise.
    if (!pendingRescan_.isPending()) {
        pendingRescan_ = Scheduler::main().schedule(0.03, [this] { runPendingRescan(); });
    }
}

void SimulatedCameraFolder::runPendingRescan() {
    const QStringList names(pendingEntries_.begin(), pendingEntries_.end());
    pendingEntries_.clear();
    if (std::exchange(pendingFullRescan_, false)) {
        rescan();
    } else if (!names.isEmpty()) {
        rescanEntries(names);
    }
}

void SimulatedCameraFolder::rescan() {
    const QDir dir(folder_);
    QMap<QString, SimulatedCameraFile> found;
    // Everything named like a camera file, so that what is not a regular
    // file is reported rather than passed over.
    const auto entries = dir.entryInfoList(
        {QStringLiteral("*.json")}, QDir::Files | QDir::System | QDir::Dirs | QDir::NoDotAndDotDot,
        QDir::Name);
    QSet<QString> present;
    for (const QFileInfo& info : entries) {
        const QString id = info.completeBaseName();
        if (id.isEmpty()) {
            continue;
        }
        present.insert(id);
        if (auto spec = readCameraFile(info)) {
            found.insert(id, *spec);
        }
    }
    for (auto it = rejected_.begin(); it != rejected_.end();) {
        it = present.contains(it.key()) ? std::next(it) : rejected_.erase(it);
    }
    publish(found);
}

void SimulatedCameraFolder::rescanEntries(const QStringList& names) {
    QMap<QString, SimulatedCameraFile> found = cameras_;
    const QDir dir(folder_);
    for (const QString& name : names) {
        // The same files the full listing takes: visible "<id>.json" files.
        if (name.startsWith(u'.') || !name.endsWith(QLatin1String(".json"))) {
            continue;
        }
        const QFileInfo info(dir.filePath(name));
        const QString id = info.completeBaseName();
        if (id.isEmpty()) {
            continue;
        }
        found.remove(id);
        if (!info.exists() && !info.isSymLink()) {
            rejected_.remove(id);  // gone
            forgetReport(info.absoluteFilePath());
            continue;
        }
        if (auto spec = readCameraFile(info)) {
            found.insert(id, *spec);
        }
    }
    publish(found);
}

std::optional<SimulatedCameraFile> SimulatedCameraFolder::readCameraFile(const QFileInfo& info) {
    const QString id = info.completeBaseName();
    QString why;
    // Never opened unless it is a regular file: a FIFO would block here.
    const auto content = RegularFile::read(info.absoluteFilePath(), kMaxFileSize + 1, &why);
    if (!content || content->size() > kMaxFileSize) {
        if (content) {
            why = QStringLiteral("larger than %1 bytes").arg(kMaxFileSize);
        }
        if (isFirstReport(info.absoluteFilePath(), why)) {
            qCWarning(lcCapture).noquote()
                << "Ignoring simulated camera" << info.fileName() << ":" << why;
        }
        rejected_.remove(id);
        return std::nullopt;
    }
    forgetReport(info.absoluteFilePath());
    QString error;
    auto spec = SimulatedCameraFile::parse(id, *content, &error);
    if (!spec) {
        if (rejected_.value(id, QByteArray("\x01")) != *content) {
            qCWarning(lcCapture).noquote()
                << "Ignoring simulated camera" << info.fileName() << ":" << error;
            rejected_.insert(id, *content);
        }
        return std::nullopt;
    }
    rejected_.remove(id);
    return spec;
}

void SimulatedCameraFolder::publish(const QMap<QString, SimulatedCameraFile>& found) {
    if (found == cameras_) {
        return;
    }
    const QMap<QString, SimulatedCameraFile> previous = std::exchange(cameras_, found);
    Q_EMIT camerasChanged(previous);
}

}  // namespace mirelon
