// SPDX-License-Identifier: GPL-3.0-or-later
// Parses arbitrary bytes as a simulated camera file.
#include "FuzzSupport.h"
#include "capture/SimulatedCameraDirectory.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    mirelon::fuzz::defaults();
    const auto spec = mirelon::SimulatedCameraFile::parse(QStringLiteral("cam"),
                                                          mirelon::fuzz::bytes(data, size));
    if (spec && (spec->width < 16 || spec->height < 16 || spec->fps < 1 || spec->name.isNull())) {
        std::abort();
    }
    return 0;
}
