// SPDX-License-Identifier: GPL-3.0-or-later
// Parses arbitrary bytes as the release feed: whatever comes back is bounded,
// and every link it kept is one the program may open.
#include "FuzzSupport.h"
#include "app/UpdateFeed.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace mirelon;
    fuzz::defaults();
    const auto result = UpdateFeed::parse(fuzz::bytes(data, size));
    if (result.items.size() > UpdateFeed::maximumItems) {
        std::abort();
    }
    for (const auto& item : result.items) {
        if (!item.link.isEmpty() && !UpdateFeed::isOpenableLink(item.link)) {
            std::abort();
        }
        if (item.title.size() > UpdateFeed::maximumFieldLength ||
            item.version.size() > UpdateFeed::maximumFieldLength ||
            item.description.size() > UpdateFeed::maximumDescriptionLength) {
            std::abort();
        }
        (void)UpdateFeed::plainText(item.description);
        (void)VersionNumber::parse(item.version);
    }
    (void)UpdateFeed::newest(result.items);
    return 0;
}
