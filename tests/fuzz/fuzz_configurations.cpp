// SPDX-License-Identifier: GPL-3.0-or-later
// Decodes arbitrary bytes as the stored camera configuration array, then runs
// a store over them as a loaded file would.
#include "FuzzSupport.h"
#include "config/CameraDeviceConfiguration.h"
#include "config/CameraDeviceSettingsStore.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace mirelon;
    auto& defaults = fuzz::defaults();
    const QByteArray input = fuzz::bytes(data, size);
    const auto records = decodeConfigurations(input, defaults);
    if (records) {
        bool encodable = true;
        for (const auto& r : *records) {
            encodable = encodable && r.isEncodable();
        }
        if (encodable) {
            const auto again = decodeConfigurations(encodeConfigurations(*records), defaults);
            if (!again || *again != *records) {
                std::abort();
            }
        }
    }
    if (!records) {
        return 0;  // the store reads undecodable data as empty (unit-tested)
    }
    static EventBus center;
    defaults.setData(CameraDeviceSettingsStore::userDefaultsKey, input);
    CameraDeviceSettingsStore store(
        defaults,
        [] {
            return QList<AvailableCameraDevice>{{"a", "Cam A", true}, {"b", "Cam B", false}};
        },
        center);
    store.setEnabled(false, QStringLiteral("a"));
    store.adjustCameraSizeForEnabledCameras(0.25);
    store.enableFallbackCameraForUnavailableEnabledSelection();
    return 0;
}
