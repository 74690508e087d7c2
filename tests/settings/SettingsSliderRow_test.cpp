// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/SettingsSliderRow.h"

#include <QLabel>
#include <QSlider>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <vector>

namespace mirelon {
namespace {

struct Recorder {
    double value = 0;
    std::vector<double> writes;
    DoubleBinding binding() {
        return DoubleBinding{[this] { return value; },
                             [this](double v) {
                                 value = v;
                                 writes.push_back(v);
                             }};
    }
};

SettingsSliderRow* makeRow(Recorder& r, double lower, double upper,
                           std::optional<QString> subtitle = std::nullopt) {
    return new SettingsSliderRow("Title", subtitle, r.binding(), lower, upper, "minus.circle.fill",
                                 "plus.circle.fill");
}

TEST(SettingsSliderRow, EndsWriteExactlyTheBoundsOfAwkwardRanges) {
    const std::vector<std::pair<double, double>> ranges = {
        {0.1, 0.7}, {-1, 5}, {0.5, 5}, {8, 80}, {0, 270}, {-10, 10}, {1.0 / 3.0, 2.0 / 3.0}};
    for (const auto& [lower, upper] : ranges) {
        Recorder r;
        r.value = (lower + upper) / 2;
        std::unique_ptr<SettingsSliderRow> row(makeRow(r, lower, upper));
        row->slider()->setValue(row->slider()->maximum());
        ASSERT_FALSE(r.writes.empty());
        EXPECT_EQ(r.writes.back(), upper) << lower << ".." << upper;
        row->slider()->setValue(row->slider()->minimum());
        EXPECT_EQ(r.writes.back(), lower) << lower << ".." << upper;
    }
}

TEST(SettingsSliderRow, WritesEveryIntermediateValueAndRefreshWritesNothing) {
    Recorder r;
    r.value = 0.3;
    std::unique_ptr<SettingsSliderRow> row(makeRow(r, 0, 1));
    EXPECT_TRUE(r.writes.empty()) << "showing a value must not write it";
    EXPECT_EQ(row->slider()->value(), 300);

    for (int p : {310, 320, 330}) {
        row->slider()->setValue(p);
    }
    ASSERT_EQ(r.writes.size(), 3u);
    EXPECT_DOUBLE_EQ(r.writes[0], 0.31);
    EXPECT_DOUBLE_EQ(r.writes[2], 0.33);

    // A change made elsewhere moves the slider without a write back.
    r.value = 0.9;
    row->refresh();
    EXPECT_EQ(row->slider()->value(), 900);
    EXPECT_EQ(r.writes.size(), 3u);

    // Values outside the range rest at the nearer end, still without a write.
    r.value = 1e308;
    row->refresh();
    EXPECT_EQ(row->slider()->value(), row->slider()->maximum());
    r.value = std::nan("");
    row->refresh();
    EXPECT_EQ(row->slider()->value(), 0);
    EXPECT_EQ(r.writes.size(), 3u);
}

TEST(SettingsSliderRow, ReversedBindingMirrorsShownAndStoredValues) {
    Recorder r;
    r.value = 40;  // stored radius
    std::unique_ptr<SettingsSliderRow> row(
        new SettingsSliderRow("Corner Radius", std::nullopt, reversed(r.binding(), 5, 100), 5, 100,
                              "minus.circle.fill", "plus.circle.fill"));
    // The slider shows 105 - 40, to its resolution.
    EXPECT_NEAR(row->valueAt(row->slider()->value()), 65, 0.1);
    row->slider()->setValue(row->slider()->maximum());
    EXPECT_EQ(r.writes.back(), 5);
    row->slider()->setValue(0);
    EXPECT_EQ(r.writes.back(), 100);
}

TEST(SettingsSliderRow, SubtitleWrapsWithinTheWindowWidth) {
    Recorder r;
    QWidget host;
    host.setFixedWidth(500);
    auto* layout = new QVBoxLayout(&host);
    auto* plain = makeRow(r, 0, 1);
    auto* wrapped = makeRow(r, 0, 1, QString("A long explanation ").repeated(12));
    layout->addWidget(plain);
    layout->addWidget(wrapped);
    host.adjustSize();
    host.show();

    EXPECT_TRUE(plain->subtitle().isEmpty());
    EXPECT_LE(plain->sliderBlock()->width(), SettingsSliderRow::kMaximumSliderWidth);
    EXPECT_LE(wrapped->width(), 500);
    EXPECT_GT(wrapped->height(), 2 * plain->height()) << "the subtitle wraps onto more lines";
    EXPECT_LE(wrapped->sliderBlock()->width(), SettingsSliderRow::kMaximumSliderWidth);
}

}  // namespace
}  // namespace mirelon
