// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/files/PreferencesFile.h"
#include "platform/qt/EventBus.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

// Shared set-up of the fuzz targets: an application object and a private
// preferences store with a few legacy keys that decoders consult.
namespace mirelon::fuzz {

inline PreferencesFile& defaults() {
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = new QCoreApplication(argc, argv);
    static QTemporaryDir* dir = new QTemporaryDir();
    static EventBus* center = new EventBus();
    static PreferencesFile* store = [] {
        auto* d =
            new PreferencesFile(dir->path() + QStringLiteral("/mirelon/defaults.json"), *center);
        d->setDouble(QStringLiteral("fontSize"), 20);
        d->setString(QStringLiteral("text"), QStringLiteral("Legacy"));
        return d;
    }();
    (void)app;
    return *store;
}

inline QByteArray bytes(const uint8_t* data, size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

}  // namespace mirelon::fuzz
