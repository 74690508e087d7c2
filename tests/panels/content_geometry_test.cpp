// SPDX-License-Identifier: GPL-3.0-or-later
#include "panels/content/PanelGeometry.h"
#include "panels/content/SquircleShape.h"
#include "panels/content/TiltProjection.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace mirelon {
namespace {

using AppSettings::AspectRatio;
using AppSettings::CameraShape;
using AppSettings::Orientation;

TEST(ContentGeometry, FrameSizesFollowAspectRatioOrientationAndSize) {
    EXPECT_EQ(Utils::getSize(AspectRatio::sixteenbynine, Orientation::landscape, 1),
              QSizeF(200, 112.5));
    EXPECT_EQ(Utils::getSize(AspectRatio::sixteenbynine, Orientation::portrait, 1),
              QSizeF(112.5, 200));
    EXPECT_EQ(Utils::getSize(AspectRatio::onebyone, Orientation::landscape, 1.5), QSizeF(300, 300));
    EXPECT_EQ(Utils::getSize(AspectRatio::onebyone, Orientation::portrait, 1.5), QSizeF(300, 300));
    EXPECT_EQ(Utils::getSize(AspectRatio::fourbythree, Orientation::landscape, 2),
              QSizeF(400, 300));
    // The 3:2 short side is the decimal 133.33, not 400/3.
    const QSizeF threeByTwo = Utils::getSize(AspectRatio::threebytwo, Orientation::landscape, 1);
    EXPECT_DOUBLE_EQ(threeByTwo.height(), 133.33);
    EXPECT_NE(threeByTwo.height(), 400.0 / 3.0);
}

TEST(ContentGeometry, StoredSizesAreBoundedWhereTheyBecomeSizes) {
    auto a = CameraAppearanceSettings::compiledDefault();
    a.cameraSize = 1e308;
    EXPECT_LE(frameSize(a).width(), 200 * 10.0);
    a.cameraSize = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(frameSize(a), QSizeF(200, 200));
    a.cameraSize = -3;
    EXPECT_GT(frameSize(a).width(), 0);
    // The stored record itself is untouched.
    EXPECT_EQ(a.cameraSize, -3);
}

TEST(ContentGeometry, PaddingGrowsWithTheLargestAngle) {
    auto a = CameraAppearanceSettings::compiledDefault();
    EXPECT_EQ(contentPadding(a), 35);
    a.yAngle = -30;
    EXPECT_EQ(contentPadding(a), 85);
    a.xAngle = 5;
    a.zAngle = 40;
    EXPECT_EQ(contentPadding(a), 95);
    a.xAngle = 1e308;  // a hand-edited angle must not become a huge padding
    EXPECT_LE(contentPadding(a), 55 + 360);
}

TEST(ContentGeometry, ExponentFollowsTheShape) {
    auto a = CameraAppearanceSettings::compiledDefault();
    a.cornerRadius = 17;
    a.cameraShape = CameraShape::circle;
    EXPECT_EQ(shapeExponent(a), 2.0);
    a.cameraShape = CameraShape::squircle;
    EXPECT_EQ(shapeExponent(a), 4.0);
    a.cameraShape = CameraShape::rectangle;
    EXPECT_EQ(shapeExponent(a), 17.0);
}

TEST(ContentGeometry, OutlineIsAClosed360StepPolygonStartingAtTheRightMidpoint) {
    const QRectF rect(10, 20, 200, 112.5);
    const QPainterPath path = SquircleShape{4.0}.path(rect);
    // The point for 0 degrees is the start point itself, so the zero-length
    // first segment adds no vertex: the move, 359 lines and the closing line.
    ASSERT_EQ(path.elementCount(), 361);
    EXPECT_TRUE(path.elementAt(0).isMoveTo());
    EXPECT_EQ(QPointF(path.elementAt(0)), QPointF(210, rect.center().y()));
    EXPECT_EQ(QPointF(path.elementAt(360)), QPointF(path.elementAt(0)));  // closed
    // Element d is the point for d degrees. 90 degrees is the bottom midpoint
    // (y down: clockwise), 180 the left one, 270 the top one.
    EXPECT_NEAR(path.elementAt(90).x, rect.center().x(), 1e-5);
    EXPECT_NEAR(path.elementAt(90).y, rect.bottom(), 1e-9);
    EXPECT_NEAR(path.elementAt(180).x, rect.left(), 1e-9);
    EXPECT_NEAR(path.elementAt(270).y, rect.top(), 1e-9);
    // Zero counts as positive: at 90 degrees cos is (nearly) zero but the
    // point is on the right of the centre line, never on the left.
    EXPECT_GE(path.elementAt(90).x, rect.center().x());
}

TEST(ContentGeometry, ExponentTwoPointsLieOnTheEllipse) {
    const QRectF rect(0, 0, 200, 112.5);
    const QPainterPath path = SquircleShape{2.0}.path(rect);
    const double a = 100, b = 56.25;
    for (int i = 0; i < 360; ++i) {
        const QPointF p(path.elementAt(i));
        const double x = p.x() - 100, y = p.y() - 56.25;
        EXPECT_NEAR(x * x / (a * a) + y * y / (b * b), 1.0, 1e-12) << "degree " << i;
    }
}

TEST(ContentGeometry, RectangleExponentsMatchCircleAndSquircle) {
    const QRectF rect(0, 0, 300, 200);
    auto a = CameraAppearanceSettings::compiledDefault();
    a.cameraShape = CameraShape::circle;
    const QPainterPath circle = SquircleShape{shapeExponent(a)}.path(rect);
    a.cameraShape = CameraShape::squircle;
    const QPainterPath squircle = SquircleShape{shapeExponent(a)}.path(rect);
    a.cameraShape = CameraShape::rectangle;
    a.cornerRadius = 2;
    EXPECT_EQ(SquircleShape{shapeExponent(a)}.path(rect), circle);
    a.cornerRadius = 4;
    EXPECT_EQ(SquircleShape{shapeExponent(a)}.path(rect), squircle);
    // Sharper corners reach further into the corner along the diagonal.
    a.cornerRadius = 100;
    const QPointF corner100(SquircleShape{100}.path(rect).elementAt(45));
    const QPointF corner5(SquircleShape{5}.path(rect).elementAt(45));
    const QPointF corner4(squircle.elementAt(45));
    EXPECT_GT(corner100.x(), corner5.x());
    EXPECT_GT(corner5.x(), corner4.x());
    EXPECT_GT(corner100.x(), 295);
}

TEST(ContentGeometry, NonPositiveOrNonFiniteExponentGivesThePlainRectangle) {
    const QRectF rect(0, 0, 100, 50);
    for (double n : {0.0, -3.0, std::numeric_limits<double>::quiet_NaN(),
                     std::numeric_limits<double>::infinity()}) {
        const QPainterPath path = SquircleShape{n}.path(rect);
        EXPECT_EQ(path.boundingRect(), rect);
        EXPECT_TRUE(path.contains(QPointF(1, 1)));
    }
}

TEST(ContentGeometry, AnyShapeForwardsToTheWrappedShape) {
    const QRectF rect(5, 5, 120, 80);
    const AnyShape shape(SquircleShape{3.0});
    EXPECT_EQ(shape.path(rect), SquircleShape{3.0}.path(rect));
}

TEST(ContentGeometry, TiltKeepsTheCentreAndForeshortensTheFarEdge) {
    const QRectF rect(0, 0, 200, 200);
    const QTransform t = tiltTransform(rect, 30, 0, 0);
    EXPECT_TRUE(t.map(QPointF(100, 100)) == QPointF(100, 100));
    // The top edge tips away and comes out shorter than the bottom edge.
    const double top = t.map(QPointF(200, 0)).x() - t.map(QPointF(0, 0)).x();
    const double bottom = t.map(QPointF(200, 200)).x() - t.map(QPointF(0, 200)).x();
    EXPECT_LT(top, bottom);
    // A z rotation alone is a plain clockwise turn.
    const QTransform z = tiltTransform(rect, 0, 0, 90);
    const QPointF p = z.map(QPointF(200, 100));
    EXPECT_NEAR(p.x(), 100, 1e-9);
    EXPECT_NEAR(p.y(), 200, 1e-9);
    EXPECT_FALSE(isTilted(0, 0, 0));
    EXPECT_TRUE(isTilted(0, -1, 0));
}

}  // namespace
}  // namespace mirelon
