// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/ColorCodec.h"

#include <gtest/gtest.h>

namespace mirelon {
namespace {

TEST(ColorCodec, EncodesComponentsByTruncation) {
    EXPECT_EQ(toRGBAString(std::vector<double>{1, 0, 0, 1}), "#FF0000FF");
    EXPECT_EQ(toRGBAString(std::vector<double>{0.5, 0.5, 0.5}), "#7F7F7FFF");
    EXPECT_EQ(toRGBAString(std::vector<double>{0.5, 0.5}), "#FFFFFFFF");
    EXPECT_EQ(toRGBAString(std::vector<double>{}), "#FFFFFFFF");
    EXPECT_EQ(toRGBAString(QColor(0x12, 0x34, 0x56, 0x78)), "#12345678");
}

TEST(ColorCodec, ClampsOutOfRangeComponentsToAReadableString) {
    const QString s = toRGBAString(std::vector<double>{1.5, -0.2, 0.0, 2.0});
    EXPECT_EQ(s, "#FF0000FF");
    EXPECT_EQ(storedColor(s), QColor(255, 0, 0, 255));
}

TEST(ColorCodec, DecodesHexForms) {
    EXPECT_EQ(colorFromHexString("#00ff00ff"), QColor(0, 255, 0, 255));
    EXPECT_EQ(colorFromHexString("00FF00FF"), QColor(0, 255, 0, 255));
    EXPECT_EQ(colorFromHexString("#00ff00"), QColor(0, 255, 0, 255));
    EXPECT_FALSE(colorFromHexString("#12345").has_value());
    EXPECT_FALSE(colorFromHexString("#GG0000FF").has_value());
    EXPECT_FALSE(colorFromHexString("").has_value());
    // Digits are read up to the first non-digit: 0x7F00.
    EXPECT_EQ(colorFromHexString("#7F00ZZFF"), QColor(0, 0, 127, 0));
}

TEST(ColorCodec, StoredColorRuleNeedsEightCharacters) {
    EXPECT_EQ(storedColor("#00ff00"), QColor(255, 255, 255, 255));
    EXPECT_EQ(storedColor("00ff00ff"), QColor(0, 255, 0, 255));
    EXPECT_EQ(storedColor("#zzzzzzzz"), QColor(255, 255, 255, 255));
    EXPECT_EQ(storedColor("#7564e7ff"), QColor(0x75, 0x64, 0xe7, 0xff));
}

TEST(ColorCodec, RoundTripsEveryByteValue) {
    for (int v = 0; v < 256; ++v) {
        const QColor c(v, 255 - v, v / 2, v);
        EXPECT_EQ(colorFromHexString(toRGBAString(c)), c) << v;
    }
}

}  // namespace
}  // namespace mirelon
