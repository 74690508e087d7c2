// SPDX-License-Identifier: GPL-3.0-or-later
// The AVX2 gathering kernels against the plain loops: the same bytes for
// every frame shape and position, and no read past the last sample (each
// frame ends right before an inaccessible page, so an over-read faults).

#include "panels/content/PictureKernels.h"

#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
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

// A plane as the renderer describes it: `samples` x `rows` samples `step`
// apart, rows `stride` apart.
Plane planeOf(const std::uint8_t* data, int step, int stride, int samples, int rows, bool halveX,
              bool halveY) {
    Plane p;
    p.data = data;
    p.step = step;
    p.stride = stride;
    p.dx = samples >= 2 ? step : 0;
    p.dy = rows >= 2 ? stride : 0;
    p.halveX = halveX;
    p.halveY = halveY;
    p.maxU = samples >= 2 ? (samples - 1) * 256 - 1 : 0;
    p.maxV = rows >= 2 ? (rows - 1) * 256 - 1 : 0;
    return p;
}

// Bytes from the start of a plane's buffer through its last sample.
std::size_t planeBytes(int lead, int step, int stride, int samples, int rows) {
    return std::size_t(lead) + std::size_t(rows - 1) * std::size_t(stride) +
           std::size_t(samples - 1) * std::size_t(step) + 1;
}

TEST(PictureKernelsTest, SampleChannelAvx2MatchesPlainLoopForEveryStepAndHalving) {
    REQUIRE_AVX2();
    std::mt19937 random(5);
    for (const int step : {1, 2, 4}) {
        for (const bool halveX : {false, true}) {
            for (const bool halveY : {false, true}) {
                for (int round = 0; round < 150; ++round) {
                    // Planes one sample wide or high now and then.
                    const int samples = round % 7 == 0 ? 1 : between(random, 1, 40);
                    const int rows = round % 5 == 0 ? 1 : between(random, 1, 12);
                    const int stride = samples * step + between(random, 0, 5);
                    // Packed layouts start a plane a few bytes into the buffer.
                    const int lead = between(random, 0, step - 1);
                    GuardedBytes bytes(planeBytes(lead, step, stride, samples, rows));
                    bytes.fill(random);
                    const Plane plane =
                        planeOf(bytes.data() + lead, step, stride, samples, rows, halveX, halveY);
                    // Luma positions, reaching past every edge of the plane.
                    const int count = between(random, 0, 60);
                    const int spanX = (samples << (halveX ? 1 : 0)) * 256;
                    const int spanY = (rows << (halveY ? 1 : 0)) * 256;
                    const auto u = positions(random, count, -700, spanX + 700);
                    const auto v = positions(random, count, -700, spanY + 700);
                    std::vector<std::uint8_t> expected(std::size_t(count) + 1, 0xA5);
                    std::vector<std::uint8_t> actual = expected;
                    scalar::sampleChannel(expected.data(), plane, u.data(), v.data(), count);
                    avx2::sampleChannel(actual.data(), plane, u.data(), v.data(), count);
                    ASSERT_EQ(actual, expected)
                        << "step " << step << " halve " << halveX << halveY << ", " << samples
                        << "x" << rows << " stride " << stride << " lead " << lead << ", " << count
                        << " samples";
                }
            }
        }
    }
}

// Flat blocks blend a row pair once and then sample along it: the result
// must be the very bilinear sample a per-pixel read takes, to the bit, in
// the plain loop and the AVX2 and AVX-512 ones alike, and neither may read past the one
// value of padding after the blended row.
TEST(PictureKernelsTest, RowSamplingGivesThePerPixelSampleExactly) {
    std::mt19937 random(11);
    for (const int step : {1, 2, 4}) {
        for (int round = 0; round < 200; ++round) {
            const int samples = round % 9 == 0 ? 1 : between(random, 2, 50);
            const int rows = between(random, 2, 6);
            const int stride = samples * step + between(random, 0, 5);
            GuardedBytes bytes(planeBytes(0, step, stride, samples, rows));
            bytes.fill(random);
            const Plane plane = planeOf(bytes.data(), step, stride, samples, rows, false, false);
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
            const std::vector<std::int32_t> v(std::size_t(count), row);
            std::vector<std::uint8_t> expected(static_cast<std::size_t>(count));
            scalar::sampleChannel(expected.data(), plane, u.data(), v.data(), count);

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

TEST(PictureKernelsTest, SampleChannelAvx2ReadsTheLastRowsAndColumnsExactly) {
    REQUIRE_AVX2();
    // Every position of the last two rows and columns, at the clamping
    // limits, of planes whose buffer ends at the last sample.
    std::mt19937 random(9);
    for (const int step : {1, 2, 4}) {
        for (const int samples : {1, 2, 3, 9, 33}) {
            for (const int rows : {1, 2, 3}) {
                const int stride = samples * step;
                GuardedBytes bytes(planeBytes(0, step, stride, samples, rows));
                bytes.fill(random);
                const Plane plane =
                    planeOf(bytes.data(), step, stride, samples, rows, false, false);
                std::vector<std::int32_t> u, v;
                for (int y = std::max(0, plane.maxV - 300); y <= plane.maxV + 300; y += 37) {
                    for (int x = std::max(0, plane.maxU - 600); x <= plane.maxU + 300; x += 19) {
                        u.push_back(x);
                        v.push_back(y);
                    }
                }
                const int count = int(u.size());
                std::vector<std::uint8_t> expected(u.size()), actual(u.size());
                scalar::sampleChannel(expected.data(), plane, u.data(), v.data(), count);
                avx2::sampleChannel(actual.data(), plane, u.data(), v.data(), count);
                ASSERT_EQ(actual, expected) << "step " << step << ", " << samples << "x" << rows;
                // A plane of one sample gives that sample everywhere.
                if (samples == 1 && rows == 1) {
                    ASSERT_EQ(actual, std::vector<std::uint8_t>(u.size(), plane.data[0]));
                }
            }
        }
    }
}

TEST(PictureKernelsTest, SampleChannelAvx2HandlesBottomUpPlanes) {
    REQUIRE_AVX2();
    // Rows stored last first: a negative stride from the top row.
    const int samples = 21, rows = 6;
    GuardedBytes bytes(std::size_t(samples * rows));
    std::mt19937 random(4);
    bytes.fill(random);
    const Plane plane =
        planeOf(bytes.data() + (rows - 1) * samples, 1, -samples, samples, rows, false, false);
    const auto u = positions(random, 100, -300, samples * 256 + 300);
    const auto v = positions(random, 100, -300, rows * 256 + 300);
    std::vector<std::uint8_t> expected(100), actual(100);
    scalar::sampleChannel(expected.data(), plane, u.data(), v.data(), 100);
    avx2::sampleChannel(actual.data(), plane, u.data(), v.data(), 100);
    EXPECT_EQ(actual, expected);
}

enum class Layout { planar, semiPlanar, packed422 };

TEST(PictureKernelsTest, SampleYuvMatchesThreeChannelsAndPackingInEveryLayout) {
    std::mt19937 random(17);
    for (const Layout layout : {Layout::planar, Layout::semiPlanar, Layout::packed422}) {
        for (int round = 0; round < 200; ++round) {
            const int w = round % 9 == 0 ? 1 : between(random, 1, 41);
            const int h = round % 7 == 0 ? 1 : between(random, 1, 13);
            // Planar frames come as 4:2:0, 4:2:2 and 4:4:4.
            const int shiftX = layout == Layout::packed422 ? 1 : between(random, 0, 1);
            const int shiftY = layout == Layout::packed422 ? 0 : between(random, 0, shiftX);
            const int cw = (w + shiftX) >> shiftX;
            const int ch = (h + shiftY) >> shiftY;
            const int pad = between(random, 0, 3);
            std::vector<std::unique_ptr<GuardedBytes>> buffers;
            auto buffer = [&](std::size_t size) {
                buffers.push_back(std::make_unique<GuardedBytes>(size));
                buffers.back()->fill(random);
                return buffers.back()->data();
            };
            Plane y, u, v;
            if (layout == Layout::packed422) {
                // Y0 U Y1 V; the last U and V of an odd width are the
                // frame's last bytes.
                const int stride = cw * 4 + pad;
                const std::uint8_t* d = buffer(planeBytes(3, 4, stride, cw, h));
                y = planeOf(d, 2, stride, w, h, false, false);
                u = planeOf(d + 1, 4, stride, cw, h, true, false);
                v = planeOf(d + 3, 4, stride, cw, h, true, false);
            } else {
                const int yStride = w + pad;
                y = planeOf(buffer(planeBytes(0, 1, yStride, w, h)), 1, yStride, w, h, false,
                            false);
                if (layout == Layout::semiPlanar) {
                    const int stride = cw * 2 + pad;
                    const std::uint8_t* d = buffer(planeBytes(1, 2, stride, cw, ch));
                    u = planeOf(d, 2, stride, cw, ch, shiftX > 0, shiftY > 0);
                    v = planeOf(d + 1, 2, stride, cw, ch, shiftX > 0, shiftY > 0);
                } else {
                    const int stride = cw + pad;
                    u = planeOf(buffer(planeBytes(0, 1, stride, cw, ch)), 1, stride, cw, ch,
                                shiftX > 0, shiftY > 0);
                    v = planeOf(buffer(planeBytes(0, 1, stride, cw, ch)), 1, stride, cw, ch,
                                shiftX > 0, shiftY > 0);
                }
            }
            const int count = between(random, 0, 50);
            const auto px = positions(random, count, -400, w * 256 + 400);
            const auto py = positions(random, count, -400, h * 256 + 400);
            std::vector<std::uint8_t> ys(std::size_t(count) + 1), us = ys, vs = ys;
            scalar::sampleChannel(ys.data(), y, px.data(), py.data(), count);
            scalar::sampleChannel(us.data(), u, px.data(), py.data(), count);
            scalar::sampleChannel(vs.data(), v, px.data(), py.data(), count);
            std::vector<std::uint32_t> expected(std::size_t(count) + 1, 0x0BADF00Du);
            packChannels(expected.data(), ys.data(), us.data(), vs.data(), count);
            std::vector<std::uint32_t> plain(std::size_t(count) + 1, 0x0BADF00Du);
            scalar::sampleYuv(plain.data(), y, u, v, px.data(), py.data(), count);
            ASSERT_EQ(plain, expected) << "layout " << int(layout) << " round " << round;
            if (avx2Available()) {
                std::vector<std::uint32_t> fast(std::size_t(count) + 1, 0x0BADF00Du);
                avx2::sampleYuv(fast.data(), y, u, v, px.data(), py.data(), count);
                ASSERT_EQ(fast, expected) << "layout " << int(layout) << " round " << round << ", "
                                          << w << "x" << h << " pad " << pad;
            }
        }
    }
}

TEST(PictureKernelsTest, SampleYuvPlainLoopCoversRowsLongerThanItsChunks) {
    // The plain loop works through long rows in pieces.
    std::mt19937 random(21);
    const int w = 900, h = 3;
    GuardedBytes bytes(std::size_t(w * h));
    bytes.fill(random);
    const Plane y = planeOf(bytes.data(), 1, w, w, h, false, false);
    const int count = 700;
    const auto px = positions(random, count, 0, w * 256);
    const auto py = positions(random, count, 0, h * 256);
    std::vector<std::uint8_t> ys(count);
    scalar::sampleChannel(ys.data(), y, px.data(), py.data(), count);
    std::vector<std::uint32_t> out(count);
    scalar::sampleYuv(out.data(), y, y, y, px.data(), py.data(), count);
    for (int i = 0; i < count; ++i) {
        const std::uint32_t s = ys[std::size_t(i)];
        ASSERT_EQ(out[std::size_t(i)], 0xFF000000u | s << 16 | s << 8 | s) << "pixel " << i;
    }
}

}  // namespace
}  // namespace mirelon
