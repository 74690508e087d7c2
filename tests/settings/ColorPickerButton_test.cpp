// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/ColorPickerButton.h"

#include <QColorDialog>

#include <gtest/gtest.h>

#include <vector>

namespace mirelon {
namespace {

TEST(ColorPickerButton, AppliesPicksLiveAndCancelTakesThemBack) {
    ColorPickerButton button("Border Color");
    std::vector<QColor> picked;
    QObject::connect(&button, &ColorPickerButton::colorPicked,
                     [&](const QColor& c) { picked.push_back(c); });
    button.setColor(QColor(0, 255, 0));
    EXPECT_TRUE(picked.empty()) << "a refresh is not a pick";

    button.click();
    QColorDialog* dialog = button.dialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->testOption(QColorDialog::ShowAlphaChannel));
    dialog->setCurrentColor(QColor(10, 20, 30, 40));
    dialog->setCurrentColor(QColor(50, 60, 70, 80));
    // The dialog may pass through intermediate colours; the last one counts.
    ASSERT_GE(picked.size(), 2u);
    EXPECT_EQ(picked.back(), QColor(50, 60, 70, 80));
    EXPECT_EQ(button.color(), QColor(50, 60, 70, 80));

    const size_t before = picked.size();
    dialog->reject();
    ASSERT_EQ(picked.size(), before + 1);
    EXPECT_EQ(picked.back(), QColor(0, 255, 0));
    EXPECT_EQ(button.color(), QColor(0, 255, 0));
}

TEST(ColorPickerButton, AcceptKeepsTheLastPick) {
    ColorPickerButton button("Font Color");
    std::vector<QColor> picked;
    QObject::connect(&button, &ColorPickerButton::colorPicked,
                     [&](const QColor& c) { picked.push_back(c); });
    button.click();
    button.dialog()->setCurrentColor(QColor(1, 2, 3, 4));
    const size_t before = picked.size();
    button.dialog()->accept();
    EXPECT_EQ(picked.size(), before) << "accepting changes nothing more";
    ASSERT_FALSE(picked.empty());
    EXPECT_EQ(picked.back(), QColor(1, 2, 3, 4));
    EXPECT_EQ(button.color(), QColor(1, 2, 3, 4));
}

}  // namespace
}  // namespace mirelon
