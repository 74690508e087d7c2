// SPDX-License-Identifier: GPL-3.0-or-later
#include "panels/content/TextView.h"

#include <QFontInfo>
#include <QPainter>

#include <gtest/gtest.h>

namespace mirelon {
namespace {

CameraAppearanceSettings captionAppearance() {
    auto a = CameraAppearanceSettings::compiledDefault();
    a.textEnabled = true;
    a.text = QStringLiteral("Mirelon");
    a.fontColor = QStringLiteral("#000000ff");
    a.backgroundColor = QStringLiteral("#ff0000ff");
    return a;
}

int countPixels(const QImage& image, const std::function<bool(QRgb)>& test) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            n += test(image.pixel(x, y)) ? 1 : 0;
        }
    }
    return n;
}

TEST(ContentText, ColoursFollowTheStoredColourRule) {
    auto a = captionAppearance();
    EXPECT_EQ(CaptionStyle::from(a, true).textColor, QColor(0, 0, 0));
    EXPECT_EQ(CaptionStyle::from(a, true).backgroundColor, QColor(255, 0, 0));
    a.fontColor = QStringLiteral("#0f0");  // fewer than 8 characters
    EXPECT_EQ(CaptionStyle::from(a, true).textColor, QColor(Qt::white));
    a.fontColor = QStringLiteral("#00ff00");  // six digits: white under this rule
    EXPECT_EQ(CaptionStyle::from(a, true).textColor, QColor(Qt::white));
    a.fontColor = QStringLiteral("#GG0000FF");  // long enough, but does not decode
    EXPECT_EQ(CaptionStyle::from(a, true).textColor, QColor(Qt::white));
    a.backgroundColor = QStringLiteral("nonsense!");
    EXPECT_EQ(CaptionStyle::from(a, true).backgroundColor, QColor(Qt::white));
}

TEST(ContentText, HiddenCaptionKeepsItsSpace) {
    TextView shown;
    shown.setCaptionStyle(CaptionStyle::from(captionAppearance(), true));
    TextView globallyHidden;
    globallyHidden.setCaptionStyle(CaptionStyle::from(captionAppearance(), false));
    auto off = captionAppearance();
    off.textEnabled = false;
    TextView disabled;
    disabled.setCaptionStyle(CaptionStyle::from(off, true));

    EXPECT_EQ(shown.effectiveOpacity(), 1.0);
    EXPECT_EQ(globallyHidden.effectiveOpacity(), 0.0);
    EXPECT_EQ(disabled.effectiveOpacity(), 0.0);
    EXPECT_GT(shown.sizeHint().width(), 20);
    EXPECT_EQ(globallyHidden.sizeHint(), shown.sizeHint());
    EXPECT_EQ(disabled.sizeHint(), shown.sizeHint());
    // Nothing is painted while hidden.
    const QImage grabbed = globallyHidden.grab().toImage();
    EXPECT_EQ(countPixels(grabbed, [](QRgb p) { return qAlpha(p) > 0; }), 0);
}

TEST(ContentText, NaturalSizeIsTextPlusPaddingAndGrowsWithLines) {
    auto a = captionAppearance();
    a.textPadding = 5;
    TextView one;
    one.setCaptionStyle(CaptionStyle::from(a, true));
    a.textPadding = 20;
    TextView padded;
    padded.setCaptionStyle(CaptionStyle::from(a, true));
    EXPECT_NEAR(padded.sizeHint().width() - one.sizeHint().width(), 30, 1);
    EXPECT_NEAR(padded.sizeHint().height() - one.sizeHint().height(), 30, 1);

    a.textPadding = 5;
    a.text = QStringLiteral("Mirelon\nsecond line that is longer");
    TextView two;
    two.setCaptionStyle(CaptionStyle::from(a, true));
    EXPECT_GT(two.sizeHint().height(), one.sizeHint().height() * 1.5);
    EXPECT_GT(two.sizeHint().width(), one.sizeHint().width());
}

TEST(ContentText, MissingFontFallsBackAndKeepsTheSize) {
    const QFont font = captionFont(QStringLiteral("No Such Font Family 12345"), 22);
    EXPECT_EQ(font.pixelSize(), 22);
    EXPECT_NE(QFontInfo(font).family(), QStringLiteral("No Such Font Family 12345"));
    auto a = captionAppearance();
    a.font = QStringLiteral("No Such Font Family 12345");
    a.fontColor = QStringLiteral("#ffffffff");
    a.backgroundColor = QStringLiteral("#00000000");
    TextView view;
    view.setCaptionStyle(CaptionStyle::from(a, true));
    const QImage plate = view.plateImage(1.0);
    // Text pixels are drawn; the rest of the plate is transparent.
    EXPECT_GT(countPixels(plate, [](QRgb p) { return qAlpha(p) > 128; }), 20);
    EXPECT_EQ(qAlpha(plate.pixel(1, 1)), 0);
    EXPECT_EQ(qAlpha(plate.pixel(plate.width() / 2, 2)), 0);  // padding: no box
}

TEST(ContentText, PlateIsFilledAndRoundedAtTheCorners) {
    auto a = captionAppearance();
    a.backgroundRadius = 10;
    TextView view;
    view.setCaptionStyle(CaptionStyle::from(a, true));
    const QImage plate = view.plateImage(2.0);
    EXPECT_EQ(plate.size(), view.sizeHint() * 2);
    EXPECT_EQ(qAlpha(plate.pixel(0, 0)), 0);  // the corner is cut away
    const QRgb edge = plate.pixel(plate.width() / 2, 2);
    EXPECT_EQ(qAlpha(edge), 255);
    EXPECT_EQ(qRed(edge), 255);
    a.backgroundRadius = 0;
    view.setCaptionStyle(CaptionStyle::from(a, true));
    EXPECT_EQ(qAlpha(view.plateImage(2.0).pixel(0, 0)), 255);
}

TEST(ContentText, HugeHandEditedTextIsBounded) {
    auto a = captionAppearance();
    a.text = QString(200000, QLatin1Char('W'));
    a.fontSize = 1e308;
    a.textPadding = 1e308;
    TextView view;
    view.setCaptionStyle(CaptionStyle::from(a, true));
    EXPECT_LE(view.sizeHint().width(), 4096);
    EXPECT_LE(view.sizeHint().height(), 4096);
    EXPECT_FALSE(view.plateImage(1.0).isNull());
}

TEST(ContentText, ContinuousCornersStayInsideTheRectangle) {
    const QRectF rect(0, 0, 100, 30);
    const QPainterPath path = continuousRoundedRect(rect, 40);  // larger than half the side
    EXPECT_TRUE(rect.adjusted(-1e-9, -1e-9, 1e-9, 1e-9).contains(path.boundingRect()));
    EXPECT_TRUE(path.contains(rect.center()));
    EXPECT_FALSE(path.contains(QPointF(0.5, 0.5)));
}

}  // namespace
}  // namespace mirelon
