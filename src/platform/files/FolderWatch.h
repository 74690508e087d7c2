// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QSocketNotifier;

namespace mirelon {

// Watches one folder and names the entries that changed in it (created,
// written, renamed, removed), so a reader can look at those alone. One watch
// covers the whole folder however many files it holds. When the folder goes
// away the watch moves to the nearest existing parent and comes back as soon
// as the folder is created again.
class FolderWatch final : public QObject {
    Q_OBJECT
public:
    explicit FolderWatch(QString folder, QObject* parent = nullptr);
    ~FolderWatch() override;

    QString folder() const { return folder_; }
    // Whether the folder itself is watched (false while it is missing).
    bool isWatchingFolder() const { return folderWatch_ >= 0; }

Q_SIGNALS:
    // Names (not paths) of entries of the folder that changed.
    void entriesChanged(const QStringList& names);
    // Everything may have changed: the folder appeared, vanished, or events were lost.
    void folderReset();

private:
    void arm();
    void readEvents();
    void dropWatch(int& wd);

    QString folder_;
    int fd_ = -1;
    int folderWatch_ = -1;
    int parentWatch_ = -1;
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace mirelon
