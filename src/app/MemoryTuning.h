// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace mirelon::MemoryTuning {

// How the C library's allocator holds memory, set once at the start before
// any thread runs. Frames and pictures are large blocks made and dropped on
// streaming threads: with the allocator's defaults each streaming thread
// gets an arena of its own, and once a large block has been freed blocks of
// up to its size are carved from the arenas instead of being mapped alone,
// so their memory stays with the process after they are gone. Here large
// blocks are always mapped alone (given back the moment they are freed),
// free memory at an arena's end goes back beyond a small threshold, and all
// threads share a few arenas. Left alone when the allocator's settings were
// given in the environment (GLIBC_TUNABLES or MALLOC_*_ variables), so they
// can be compared. True when the settings were applied.
bool configureAllocator();

// Bytes the allocator holds: in use, and free but kept.
struct AllocatorBytes {
    unsigned long long inUse = 0;
    unsigned long long freeKept = 0;
    unsigned long long mappedAlone = 0;  // large blocks, part of inUse
};
AllocatorBytes allocatorBytes();

}  // namespace mirelon::MemoryTuning
