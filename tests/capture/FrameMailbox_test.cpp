// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/FrameMailbox.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace mirelon {
namespace {

QImage frameNumbered(int n) {
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(QColor::fromRgb(n % 256, n / 256, 0));
    return image;
}

int numberOf(const QImage& image) {
    const QRgb p = image.pixel(0, 0);
    return qRed(p) + 256 * qGreen(p);
}

TEST(FrameMailboxTest, NewestFrameWinsWithOneWakeUpPerTake) {
    std::atomic<int> wakeUps{0};
    FrameMailbox mailbox([&] { wakeUps.fetch_add(1); });
    EXPECT_TRUE(mailbox.take().isNull());

    // A streaming thread posts 500 frames while the main thread is busy.
    std::thread streaming([&] {
        for (int i = 1; i <= 500; ++i) {
            mailbox.post(frameNumbered(i));
        }
    });
    streaming.join();
    EXPECT_EQ(wakeUps.load(), 1);
    EXPECT_EQ(mailbox.postedCount(), 500u);
    EXPECT_EQ(mailbox.droppedCount(), 499u);
    const QImage newest = mailbox.take().image();
    ASSERT_FALSE(newest.isNull());
    EXPECT_EQ(numberOf(newest), 500);
    EXPECT_TRUE(mailbox.take().isNull());

    // Taking re-arms the wake-up.
    mailbox.post(frameNumbered(501));
    EXPECT_EQ(wakeUps.load(), 2);
    EXPECT_EQ(numberOf(mailbox.take().image()), 501);
}

TEST(FrameMailboxTest, ConcurrentPostAndTakeNeverLoseTheNewestFrame) {
    std::atomic<int> wakeUps{0};
    FrameMailbox mailbox([&] { wakeUps.fetch_add(1); });
    constexpr int kFrames = 3000;
    std::thread streaming([&] {
        for (int i = 1; i <= kFrames; ++i) {
            mailbox.post(frameNumbered(i));
        }
    });
    int last = 0;
    int taken = 0;
    while (last < kFrames) {
        const QImage frame = mailbox.take().image();
        if (!frame.isNull()) {
            const int n = numberOf(frame);
            EXPECT_GT(n, last);  // frames never go back in time
            last = n;
            ++taken;
        }
    }
    streaming.join();
    // Every taken frame was announced by exactly one wake-up (the last
    // wake-up may belong to a frame taken before the wake-up was counted).
    EXPECT_LE(taken, wakeUps.load());
    EXPECT_EQ(mailbox.postedCount(), static_cast<std::uint64_t>(kFrames));
    EXPECT_EQ(mailbox.droppedCount() + static_cast<std::uint64_t>(taken),
              static_cast<std::uint64_t>(kFrames));
    EXPECT_GT(mailbox.lastPostTime().time_since_epoch().count(), 0);
}

TEST(FrameMailboxTest, WantedRegionIsKeptRoundedOutwardAndAllMeansNone) {
    FrameMailbox mailbox;
    EXPECT_TRUE(mailbox.wantedRegion().isNull());
    const QRectF part(0.21875, 0.1, 0.5625, 0.8);
    mailbox.setWantedRegion(part);
    const QRectF kept = mailbox.wantedRegion();
    EXPECT_TRUE(kept.contains(part));
    EXPECT_LT(kept.width() - part.width(), 3.0 / 65535);
    EXPECT_LT(kept.height() - part.height(), 3.0 / 65535);
    // All of the frame, nothing, or a region outside it: no region.
    mailbox.setWantedRegion(QRectF(0, 0, 1, 1));
    EXPECT_TRUE(mailbox.wantedRegion().isNull());
    mailbox.setWantedRegion(QRectF(-0.5, -0.5, 3, 3));
    EXPECT_TRUE(mailbox.wantedRegion().isNull());
    mailbox.setWantedRegion(QRectF(2, 2, 1, 1));
    EXPECT_TRUE(mailbox.wantedRegion().isNull());
    // Partly outside: the part inside.
    mailbox.setWantedRegion(QRectF(0.5, -0.25, 1, 0.5));
    EXPECT_NEAR(mailbox.wantedRegion().left(), 0.5, 1e-4);
    EXPECT_NEAR(mailbox.wantedRegion().bottom(), 0.25, 1e-4);
    EXPECT_NEAR(mailbox.wantedRegion().right(), 1.0, 1e-9);
    EXPECT_NEAR(mailbox.wantedRegion().top(), 0.0, 1e-9);
    // It survives a reset, like the wanted size.
    mailbox.reset();
    EXPECT_FALSE(mailbox.wantedRegion().isNull());
}

}  // namespace
}  // namespace mirelon
