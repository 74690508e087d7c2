// SPDX-License-Identifier: GPL-3.0-or-later
// Loads arbitrary bytes as defaults.json and reads every key with every type.
#include "FuzzSupport.h"

#include <QFile>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto& defaults = mirelon::fuzz::defaults();
    {
        QFile file(defaults.filePath());
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            return 0;
        }
        file.write(mirelon::fuzz::bytes(data, size));
    }
    defaults.reloadFromDisk();
    for (const QString& key : defaults.keys()) {
        (void)defaults.boolValue(key);
        (void)defaults.doubleValue(key);
        (void)defaults.stringValue(key, true);
        (void)defaults.dataValue(key);
    }
    return 0;
}
