// SPDX-License-Identifier: GPL-3.0-or-later
// The gathering kernels: the AVX2 pixel gather against the plain loop, and
// the row samplers against a bilinear sample taken pixel by pixel; the same
// bytes for every frame shape and position, and no read past the last sample
// (each frame ends right before an inaccessible page, so an over-read
// faults).

#include "panels/content/PictureKernels.h"

#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

namespace mirelon {
namespace {

using namespace PictureKernels;

// `size` bytes that end right before an inaccessible page.
class GuardedBytes {
public:
    explicit GuardedBytes(std::size_t size) : size_(size) {
        const std::size_t page = std::size_t(sysconf(_SC_PAGESIZE));
        mapped_ = (size + page - 1) / page * page + page;
        void* p =
            mmap(nullptr, mapped_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED) {
            ADD_FAILURE() << "mmap failed";
            return;
        }
        base_ = static_cast<std::uint8_t*>(p);
        mprotect(base_ + mapped_ - page, page, PROT_NONE);
        data_ = base_ + mapped_ - page - size;
    }
    ~GuardedBytes() {
        if (base_) {
            munmap(base_, mapped_);
        }
    }
    GuardedBytes(const GuardedBytes&) = delete;
    GuardedBytes& operator=(const GuardedBytes&) = delete;

    std::uint8_t* data() const { return data_; }
    std::size_t size() const { return size_; }
    void fill(std::mt19937& random) const {
        for (std::size_t i = 0; i < size_; ++i) {
            data_[i] = std::uint8_t(random());
        }
    }

private:
    std::size_t size_ = 0;
    std::size_t mapped_ = 0;
    std::uint8_t* base_ = nullptr;
    std::uint8_t* data_ = nullptr;
};

int between(std::mt19937& random, int lo, int hi) {
    return std::uniform_int_distribution<int>(lo, hi)(random);
}

// Positions in lo...hi, a fifth of them pinned to one of the ends.
std::vector<std::int32_t> positions(std::mt19937& random, int count, int lo, int hi) {
    std::vector<std::int32_t> out(std::size_t(count) + 1);
    for (auto& p : out) {
        const int pick = between(random, 0, 9);
        p = pick == 0 ? lo : pick == 1 ? hi : between(random, lo, hi);
    }
    return out;
}

#define REQUIRE_AVX2()                                \
    if (!avx2Available()) {                           \
        GTEST_SKIP() << "this processor has no AVX2"; \
    }

TEST(PictureKernelsTest, GatherPixelsAvx2MatchesPlainLoopOnRandomFrames) {
    REQUIRE_AVX2();
    std::mt19937 random(11);
    for (int round = 0; round < 400; ++round) {
        const bool large = round % 50 == 0;
        const int w = large ? 1920 : between(random, 2, 48);
        const int h = large ? 1080 : between(random, 2, 24);
        const int stride = w + (large ? 0 : between(random, 0, 7));
        // The last row ends at its last pixel.
        GuardedBytes bytes((std::size_t(h - 1) * std::size_t(stride) + std::size_t(w)) * 4);
        bytes.fill(random);
        const auto* source = reinterpret_cast<const std::uint32_t*>(bytes.data());
        const int count = large ? 1000 : between(random, 0, 70);
        const auto u = positions(random, count, 0, (w - 1) * 256 - 1);
        const auto v = positions(random, count, 0, (h - 1) * 256 - 1);
        std::vector<std::uint32_t> expected(std::size_t(count) + 1, 0x12345678u);
        std::vector<std::uint32_t> actual = expected;
        scalar::gatherPixels(expected.data(), source, stride, u.data(), v.data(), count);
        avx2::gatherPixels(actual.data(), source, stride, u.data(), v.data(), count);
        ASSERT_EQ(actual, expected) << "round " << round << ", " << w << "x" << h << " stride "
                                    << stride << ", " << count << " pixels";
    }
}

TEST(PictureKernelsTest, GatherPixelsAvx2AtWholePixelsCopiesTheSource) {
    REQUIRE_AVX2();
    // Whole-pixel positions blend nothing: each output is its source pixel,
    // made opaque (independent of the plain loop).
    const int w = 13, h = 5;
    GuardedBytes bytes(std::size_t(w * h) * 4);
    std::mt19937 random(3);
    bytes.fill(random);
    const auto* source = reinterpret_cast<const std::uint32_t*>(bytes.data());
    std::vector<std::int32_t> u, v;
    for (int y = 0; y < h - 1; ++y) {
        for (int x = 0; x < w - 1; ++x) {
            u.push_back(x * 256);
            v.push_back(y * 256);
        }
    }
    std::vector<std::uint32_t> out(u.size());
    avx2::gatherPixels(out.data(), source, w, u.data(), v.data(), int(u.size()));
    for (std::size_t i = 0; i < u.size(); ++i) {
        const std::uint32_t want = source[(v[i] >> 8) * w + (u[i] >> 8)] | 0xFF000000u;
        ASSERT_EQ(out[i], want) << "pixel " << i;
    }
}

// A full-resolution plane as the renderer describes it: `samples` x `rows`
// samples `step` apart, rows `stride` apart.
Plane planeOf(const std::uint8_t* data, int step, int stride, int samples, int rows) {
    Plane p;
    p.data = data;
    p.step = step;
    p.stride = stride;
    p.dx = samples >= 2 ? step : 0;
    p.dy = rows >= 2 ? stride : 0;
    p.maxU = samples >= 2 ? (samples - 1) * 256 - 1 : 0;
    p.maxV = rows >= 2 ? (rows - 1) * 256 - 1 : 0;
    return p;
}

// Bytes from the start of a plane through its last sample.
std::size_t planeBytes(int step, int stride, int samples, int rows) {
    return std::size_t(rows - 1) * std::size_t(stride) +
           std::size_t(samples - 1) * std::size_t(step) + 1;
}

// The bilinear sample of a plane at (u, v) in 1/256 sample, taken on its
// own: the reference for the row samplers.
std::uint8_t sampleAt(const Plane& plane, int u, int v) {
    const int cu = std::clamp(u, 0, plane.maxU);
    const int cv = std::clamp(v, 0, plane.maxV);
    const std::uint8_t* p = plane.data + (cv >> 8) * plane.stride + (cu >> 8) * plane.step;
    const int wx = cu & 0xFF;
    const int wy = cv & 0xFF;
    const int top = p[0] * (256 - wx) + p[plane.dx] * wx;
    const int bottom = p[plane.dy] * (256 - wx) + p[plane.dy + plane.dx] * wx;
    return std::uint8_t((top * (256 - wy) + bottom * wy + 32768) >> 16);
}

// Flat blocks blend a row pair once and then sample along it: the result
// must be the very bilinear sample a per-pixel read takes, to the bit, in
// the plain loop and the AVX2 and AVX-512 ones alike, and none may read
// past the one value of padding after the blended row.
TEST(PictureKernelsTest, RowSamplingGivesThePerPixelSampleExactly) {
    std::mt19937 random(11);
    for (const int step : {1, 2, 4}) {
        for (int round = 0; round < 200; ++round) {
            const int samples = round % 9 == 0 ? 1 : between(random, 2, 50);
            const int rows = between(random, 2, 6);
            const int stride = samples * step + between(random, 0, 5);
            GuardedBytes bytes(planeBytes(step, stride, samples, rows));
            bytes.fill(random);
            const Plane plane = planeOf(bytes.data(), step, stride, samples, rows);
            const int count = between(random, 1, 60);
            // Half the rounds read columns as a flat block does: advancing
            // steadily (forwards or mirrored) by up to three columns a pixel.
            auto u = positions(random, count, 0, plane.maxU);
            if (round % 2 == 1) {
                const int advance = between(random, 0, 3 * 256);
                const bool mirrored = between(random, 0, 1) == 1;
                const int start = between(random, 0, plane.maxU);
                for (int i = 0; i < count; ++i) {
                    const int p = start + (mirrored ? -i : i) * advance;
                    u[std::size_t(i)] = std::clamp(p, 0, plane.maxU);
                }
            }
            const int row = between(random, 0, plane.maxV);
            std::vector<std::uint8_t> expected(static_cast<std::size_t>(count));
            for (int i = 0; i < count; ++i) {
                expected[std::size_t(i)] = sampleAt(plane, u[std::size_t(i)], row);
            }

            std::vector<std::int32_t> offset(static_cast<std::size_t>(count));
            std::vector<std::uint16_t> weight(static_cast<std::size_t>(count));
            for (int i = 0; i < count; ++i) {
                offset[std::size_t(i)] = (u[std::size_t(i)] >> 8) * step;
                weight[std::size_t(i)] = std::uint16_t(u[std::size_t(i)] & 0xFF);
            }
            const int span = (samples - 1) * step + 1;
            const std::uint8_t* upper = plane.data + (row >> 8) * stride;
            GuardedBytes padded(std::size_t(span + 1) * 2);
            auto* blended = reinterpret_cast<std::uint16_t*>(padded.data());
            lerpBytes(blended, upper, upper + plane.dy, span, std::uint32_t(row & 0xFF));
            blended[span] = 0;
            std::vector<std::uint8_t> actual(static_cast<std::size_t>(count));
            scalar::sampleRow(actual.data(), blended, offset.data(), weight.data(), plane.dx,
                              count);
            ASSERT_EQ(actual, expected)
                << "plain, step " << step << ", " << samples << "x" << rows << " row " << row;
            if (avx2Available()) {
                std::fill(actual.begin(), actual.end(), 0xA5);
                avx2::sampleRow(actual.data(), blended, offset.data(), weight.data(), plane.dx,
                                count);
                ASSERT_EQ(actual, expected)
                    << "AVX2, step " << step << ", " << samples << "x" << rows << " row " << row;
            }
            if (avx512Available()) {
                std::fill(actual.begin(), actual.end(), 0xA5);
                avx512::sampleRow(actual.data(), blended, offset.data(), weight.data(), plane.dx,
                                  count);
                ASSERT_EQ(actual, expected)
                    << "AVX-512, step " << step << ", " << samples << "x" << rows << " row " << row;
            }
        }
    }
}

}  // namespace
}  // namespace mirelon
