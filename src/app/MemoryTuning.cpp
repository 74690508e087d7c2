// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MemoryTuning.h"

#include <malloc.h>

#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace mirelon::MemoryTuning {
namespace {

// Blocks from this size on are mapped alone. A panel's own buffers stay
// below it; frames, pictures and decoder planes are above.
constexpr int mappedAloneFrom = 128 * 1024;
// Free memory at the end of an arena beyond this goes back.
constexpr int keptAtTheEnd = 256 * 1024;
// Arenas shared by all threads: the main thread's and one for the streaming
// threads' small allocations (frames are mapped alone anyway).
constexpr int arenas = 2;

bool givenInTheEnvironment() {
    if (const char* tunables = std::getenv("GLIBC_TUNABLES");
        tunables && std::strstr(tunables, "glibc.malloc.")) {
        return true;
    }
    for (const char* name : {"MALLOC_ARENA_MAX", "MALLOC_MMAP_THRESHOLD_", "MALLOC_TRIM_THRESHOLD_",
                             "MALLOC_TOP_PAD_", "MALLOC_MMAP_MAX_"}) {
        if (std::getenv(name)) {
            return true;
        }
    }
    return false;
}

}  // namespace

bool configureAllocator() {
    if (givenInTheEnvironment()) {
        return false;
    }
    // Setting either threshold also ends their automatic raising.
    return mallopt(M_MMAP_THRESHOLD, mappedAloneFrom) == 1 &&
           mallopt(M_TRIM_THRESHOLD, keptAtTheEnd) == 1 && mallopt(M_ARENA_MAX, arenas) == 1;
}

AllocatorBytes allocatorBytes() {
    const struct mallinfo2 info = mallinfo2();
    AllocatorBytes bytes;
    bytes.inUse = info.uordblks + info.hblkhd;
    bytes.freeKept = info.fordblks;
    bytes.mappedAlone = info.hblkhd;
    return bytes;
}

}  // namespace mirelon::MemoryTuning
