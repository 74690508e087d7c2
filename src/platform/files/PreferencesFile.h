// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/qt/EventBus.h"
#include "platform/qt/Scheduler.h"

#include <QByteArray>
#include <QFileSystemWatcher>
#include <QJsonObject>
#include <QJsonValue>
#include <QObject>
#include <QString>

#include <optional>

namespace mirelon {

// The per-user defaults store: one JSON object in
// $XDG_CONFIG_HOME/mirelon/defaults.json, one member per key.
//
// Every write is synchronous and atomic (temporary file, fsync, rename, mode
// 0600) and posts Notifications::defaultsChanged once. Through a link it replaces only a regular
// file, or a missing one in a folder of the user's own (else see PreferencesSaveRefusal.h).
// Outside edits are picked up and announced the same way. Only a regular file is read; one that
// is not a JSON object, and a FIFO, socket or device in its place, reads as empty and is renamed
// aside to defaults.json.corrupt-<UTC timestamp> before the next write.
class PreferencesFile : public QObject {
    Q_OBJECT
public:
    explicit PreferencesFile(QString filePath, EventBus& center = EventBus::shared(),
                             QObject* parent = nullptr);
    ~PreferencesFile() override;

    // The process-wide store at standardFilePath(), created on first use.
    static PreferencesFile& standard();
    static QString standardFilePath();

    QString filePath() const { return filePath_; }

    bool contains(const QString& key) const { return values_.contains(key); }
    QJsonValue value(const QString& key) const { return values_.value(key); }
    QStringList keys() const { return values_.keys(); }

    // Typed reads: none when the key is absent or holds a value of another type.
    // A Bool or Double read accepts a JSON number or boolean.
    std::optional<bool> boolValue(const QString& key) const;
    std::optional<double> doubleValue(const QString& key) const;
    // A String read accepts a string and, when acceptNumber is set, a number in
    // its shortest decimal text form.
    std::optional<QString> stringValue(const QString& key, bool acceptNumber = false) const;
    // A Data read accepts only the {"$data": "<base64>"} form.
    std::optional<QByteArray> dataValue(const QString& key) const;

    bool boolValue(const QString& key, bool fallback) const {
        return boolValue(key).value_or(fallback);
    }
    double doubleValue(const QString& key, double fallback) const {
        return doubleValue(key).value_or(fallback);
    }
    QString stringValue(const QString& key, const QString& fallback) const {
        return stringValue(key).value_or(fallback);
    }

    void setBool(const QString& key, bool value);
    // Non-finite numbers have no JSON form: they are refused and logged.
    void setDouble(const QString& key, double value);
    void setString(const QString& key, const QString& value);
    void setData(const QString& key, const QByteArray& value);
    void setValue(const QString& key, const QJsonValue& value);
    void remove(const QString& key);
    // Copies the value of key to "<key>.corrupt-<UTC timestamp>" so that an
    // unreadable value survives the save that replaces it. Returns the new key,
    // or an empty string when key is absent.
    QString copyValueAside(const QString& key);

    // Whether the last write reached the disk.
    bool lastWriteSucceeded() const { return lastWriteOk_; }

    // Re-reads the file; posts the change notification when its content differs
    // from what this store last wrote or read. Called by the folder watch.
    void reloadFromDisk();

private:
    void load(bool notify);
    void write();
    bool writeAtomically(const QByteArray& bytes);
    void keepCorruptFileAside();
    void watch();
    // The file a save replaces: the final target of a symbolic link.
    QString writeTarget() const;
    void warnAboutSharedFolder();
    void removeLeftoverTemporaries();

    QString filePath_;
    EventBus& center_;
    QJsonObject values_;
    QByteArray lastSeenBytes_;  // content as last written or read
    bool corruptOnDisk_ = false;
    bool unreadableAtLastLoad_ = false;  // something we cannot read is where the file belongs
    bool lastWriteOk_ = true;
    bool writeFailureLogged_ = false;
    bool keepAsideFailureLogged_ = false;
    QFileSystemWatcher watcher_;
    TaskHandle pendingReload_;
};

}  // namespace mirelon
