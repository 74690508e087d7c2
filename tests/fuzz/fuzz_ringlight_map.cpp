// SPDX-License-Identifier: GPL-3.0-or-later
// Decodes arbitrary bytes as the stored ring light records (the bytes of the
// "ringLightDisplaySettings" value), re-encodes what decodes and checks that
// encoding refuses exactly the non-finite records and that the round trip holds.
#include "FuzzSupport.h"
#include "ringlight/RingLightDisplaySettings.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace mirelon;
    fuzz::defaults();
    const QByteArray input = fuzz::bytes(data, size);
    const auto map = decodeRingLightSettings(input);
    if (map) {
        const auto encoded = encodeRingLightSettings(*map);
        bool encodable = true;
        for (const auto& [id, record] : *map) {
            encodable = encodable && record.isEncodable();
        }
        if (encodable != encoded.has_value()) {
            std::abort();
        }
        if (encoded && decodeRingLightSettings(*encoded) != map) {
            std::abort();
        }
    }
    return 0;
}
