// SPDX-License-Identifier: GPL-3.0-or-later
// Decodes arbitrary bytes as an appearance record; a decoded record must
// encode and decode back to itself when its numbers are finite.
#include "FuzzSupport.h"
#include "config/CameraAppearanceSettings.h"

#include <QJsonDocument>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto& defaults = mirelon::fuzz::defaults();
    const QJsonDocument doc = QJsonDocument::fromJson(mirelon::fuzz::bytes(data, size));
    const auto record = mirelon::CameraAppearanceSettings::fromJson(doc.object(), defaults);
    if (record && record->isEncodable()) {
        const auto again = mirelon::CameraAppearanceSettings::fromJson(record->toJson(), defaults);
        if (!again || !(*again == *record)) {
            std::abort();
        }
    }
    return 0;
}
