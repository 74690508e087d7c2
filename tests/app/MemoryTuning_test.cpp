// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MemoryTuning.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace mirelon {
namespace {

// Keeps the compiler from dropping an allocation nobody reads.
void use(void* p) {
    asm volatile("" : : "g"(p) : "memory");
}

TEST(MemoryTuning, SettingsGivenInTheEnvironmentWin) {
    ASSERT_EQ(::setenv("MALLOC_ARENA_MAX", "4", 1), 0);
    EXPECT_FALSE(MemoryTuning::configureAllocator());
    ::unsetenv("MALLOC_ARENA_MAX");
}

// With the allocator's defaults, freeing a large block raises the size from
// which blocks are mapped alone: the next frames come from an arena and their
// memory stays after them. Tuned, a large block goes back the moment it is
// freed, however large the blocks before it were.
TEST(MemoryTuning, LargeBlocksGoBackWhenFreedAfterLargerOnes) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP()
        << "a sanitizer's allocator stands in for the C library's (the Release build runs this)";
#endif
    if (const char* tunables = std::getenv("GLIBC_TUNABLES");
        tunables && std::strstr(tunables, "glibc.malloc.")) {
        GTEST_SKIP() << "allocator settings given in the environment";
    }
    ASSERT_TRUE(MemoryTuning::configureAllocator());
    constexpr std::size_t picture = 8 << 20, frame = 2 << 20;
    void* large = std::malloc(picture);
    std::memset(large, 1, picture);
    use(large);
    std::free(large);
    const auto before = MemoryTuning::allocatorBytes();
    void* next = std::malloc(frame);
    std::memset(next, 1, frame);
    use(next);
    EXPECT_GE(MemoryTuning::allocatorBytes().mappedAlone, before.mappedAlone + frame);
    std::free(next);
    EXPECT_EQ(MemoryTuning::allocatorBytes().mappedAlone, before.mappedAlone);
    EXPECT_LT(MemoryTuning::allocatorBytes().freeKept, before.freeKept + frame / 2);
}

}  // namespace
}  // namespace mirelon
