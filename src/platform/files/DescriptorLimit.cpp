// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/files/DescriptorLimit.h"

#include <sys/resource.h>

namespace mirelon::DescriptorLimit {

Change raiseToHardLimit() {
    struct rlimit limit {};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) {
        return {};
    }
    Change change{limit.rlim_cur, limit.rlim_cur};
    if (limit.rlim_cur < limit.rlim_max) {
        const rlim_t before = limit.rlim_cur;
        limit.rlim_cur = limit.rlim_max;
        if (::setrlimit(RLIMIT_NOFILE, &limit) == 0) {
            change.after = limit.rlim_cur;
        } else {
            change.after = before;
        }
    }
    return change;
}

}  // namespace mirelon::DescriptorLimit
