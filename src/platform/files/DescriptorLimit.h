// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace mirelon::DescriptorLimit {

struct Change {
    unsigned long long before = 0;  // the soft limit found
    unsigned long long after = 0;   // the soft limit now
};

// Raises the process's soft limit on open descriptors to its hard limit, so
// that a burst of connections or cameras does not run the program out of
// descriptors at the usual soft limit. The limits as they are when they
// cannot be read or changed.
Change raiseToHardLimit();

}  // namespace mirelon::DescriptorLimit
