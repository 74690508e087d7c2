// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capture/SimulatedCameraFile.h"
#include "platform/files/FolderWatch.h"
#include "platform/qt/Scheduler.h"

#include <QFileInfo>
#include <QMap>
#include <QObject>
#include <QSet>

namespace mirelon {

// The cameras the JSON files of a folder describe, kept up to date while the
// folder changes: only the files that changed are read again, the folder is
// read anew when it appears or goes away, and bursts of changes are coalesced
// (well within the 200 ms in which cameras must follow their files). Bad
// files are left out with one warning per content. Lives on the main thread.
class SimulatedCameraFolder final : public QObject {
    Q_OBJECT
public:
    // Reads the folder at once; `watch` false reads it only then (a listing).
    explicit SimulatedCameraFolder(QString folder, bool watch = true, QObject* parent = nullptr);
    ~SimulatedCameraFolder() override;

    QString folder() const { return folder_; }
    // Ordered by id = file-name order.
    const QMap<QString, SimulatedCameraFile>& cameras() const { return cameras_; }

    // Re-reads every file of the folder.
    void rescan();
    // Re-reads the named entries of the folder (file names).
    void rescanEntries(const QStringList& names);

Q_SIGNALS:
    // The cameras changed from `previous` to cameras().
    void camerasChanged(const QMap<QString, SimulatedCameraFile>& previous);

private:
    void scheduleRescan();
    void runPendingRescan();
    // The camera a file describes; none (reported once per content) when it
    // is unreadable or invalid.
    std::optional<SimulatedCameraFile> readCameraFile(const QFileInfo& info);
    void publish(const QMap<QString, SimulatedCameraFile>& found);

    QString folder_;
    FolderWatch* watch_ = nullptr;
    QMap<QString, SimulatedCameraFile> cameras_;
    QMap<QString, QByteArray> rejected_;  // file content already reported as bad
    TaskHandle pendingRescan_;
    QSet<QString> pendingEntries_;
    bool pendingFullRescan_ = false;
};

}  // namespace mirelon
