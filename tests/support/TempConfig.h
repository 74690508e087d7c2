// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/files/PreferencesFile.h"
#include "platform/qt/EventBus.h"

#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <memory>

namespace mirelon::testing {

// A private defaults.json in a temporary folder, with its own notification centre.
struct TempDefaults {
    QTemporaryDir dir;
    EventBus center;
    std::unique_ptr<PreferencesFile> defaults;

    TempDefaults() { open(); }
    QString path() const { return dir.path() + QStringLiteral("/mirelon/defaults.json"); }
    void open() { defaults = std::make_unique<PreferencesFile>(path(), center); }
    // Re-opens the store from disk, as a restart would.
    void reopen() {
        defaults.reset();
        open();
    }
    QByteArray fileContent() const {
        QFile f(path());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void writeFile(const QByteArray& content) const {
        QDir().mkpath(dir.path() + QStringLiteral("/mirelon"));
        QFile f(path());
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(content);
    }
    int count(const QString& name) {
        auto n = std::make_shared<int>(0);
        tokens.push_back(center.addObserver(name, [n](const Notification&) { ++*n; }));
        counters.push_back(n);
        return static_cast<int>(counters.size()) - 1;
    }
    int counted(int counter) const { return *counters.at(static_cast<size_t>(counter)); }

    std::vector<ObserverToken> tokens;
    std::vector<std::shared_ptr<int>> counters;
};

}  // namespace mirelon::testing
