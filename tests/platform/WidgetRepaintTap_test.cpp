// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/wayland/WidgetRepaintTap.h"
#include "platform/wayland/OverlayGeometry.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QWidget>

#include <gtest/gtest.h>

namespace mirelon {
namespace {

// Counts its paints; draws antialiased, half-transparent shapes in a colour
// that changes with `phase`, as a panel's picture and shadow would.
class CountingWidget : public QWidget {
public:
    using QWidget::QWidget;
    int paints = 0;
    int phase = 0;

protected:
    void paintEvent(QPaintEvent*) override {
        ++paints;
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(40 * phase % 256, 120, 200, 160));
        p.drawEllipse(QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5));
        p.setBrush(QColor(0, 0, 0, 60));
        p.drawRect(rect());
    }
};

// A hidden top-level as the overlay layer has it, with a child inside.
struct Panel {
    Panel() {
        window.setAttribute(Qt::WA_DontShowOnScreen);
        window.setAttribute(Qt::WA_TranslucentBackground);
        window.resize(120, 90);
        child = new CountingWidget(&window);
        child->setGeometry(30, 20, 50, 40);
        tap = new WidgetRepaintTap(&window);
        QObject::connect(tap, &WidgetRepaintTap::repaintRequested, [this] { ++requests; });
        window.show();
        QApplication::processEvents();
        tap->takeDamage();
        window.paints = child->paints = 0;
        requests = 0;
    }
    QImage renderWhole(double scale) {
        QImage image((QSizeF(window.size()) * scale).toSize(), QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(scale);
        image.fill(Qt::transparent);
        window.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        return image;
    }
    CountingWidget window;
    CountingWidget* child = nullptr;
    WidgetRepaintTap* tap = nullptr;
    int requests = 0;
};

TEST(WidgetRepaintTap, QtsRepaintsPaintNothingAndBecomeDamageInWindowCoordinates) {
    Panel panel;
    panel.child->update(QRect(5, 5, 10, 10));
    QApplication::processEvents();
    EXPECT_EQ(panel.child->paints, 0);
    EXPECT_EQ(panel.window.paints, 0);
    EXPECT_GT(panel.tap->swallowed(), 0);
    EXPECT_EQ(panel.requests, 1);
    EXPECT_EQ(panel.tap->takeDamage(), QRegion(35, 25, 10, 10));
    EXPECT_TRUE(panel.tap->damage().isEmpty());  // taken

    // A synchronous repaint goes the same way.
    panel.window.repaint(QRect(0, 0, 8, 8));
    EXPECT_EQ(panel.window.paints, 0);
    EXPECT_EQ(panel.tap->takeDamage(), QRegion(0, 0, 8, 8));

    // Damage gathers until taken.
    panel.window.update(QRect(100, 70, 20, 20));
    QApplication::processEvents();
    panel.child->update();
    QApplication::processEvents();
    EXPECT_EQ(panel.tap->takeDamage(), QRegion(100, 70, 20, 20) + QRegion(30, 20, 50, 40));
}

TEST(WidgetRepaintTap, RendersAndGrabsStillPaint) {
    Panel panel;
    const QImage image = panel.renderWhole(1.0);
    EXPECT_EQ(panel.window.paints, 1);
    EXPECT_EQ(panel.child->paints, 1);
    EXPECT_GT(qAlpha(image.pixel(55, 40)), 150);  // the child's ellipse over the window's
    EXPECT_FALSE(panel.window.grab().isNull());
    EXPECT_EQ(panel.window.paints, 2);
    EXPECT_TRUE(panel.tap->damage().isEmpty());
}

TEST(WidgetRepaintTap, ChildrenAddedLaterAreKeptFromQtsPaintingToo) {
    Panel panel;
    auto* late = new CountingWidget;
    auto* nested = new CountingWidget(late);
    nested->setGeometry(2, 2, 6, 6);
    late->setParent(panel.child);
    late->setGeometry(10, 10, 20, 20);
    late->show();
    QApplication::processEvents();
    QApplication::processEvents();  // the repaint of the shown child comes a turn later
    EXPECT_EQ(panel.tap->takeDamage(), QRegion(40, 30, 20, 20));
    EXPECT_EQ(late->paints, 0);
    nested->update();
    QApplication::processEvents();
    EXPECT_EQ(late->paints, 0);
    EXPECT_EQ(nested->paints, 0);
    EXPECT_EQ(panel.tap->takeDamage(), QRegion(30 + 10 + 2, 20 + 10 + 2, 6, 6));

    // Taken out of the window, it paints for Qt again.
    late->setParent(nullptr);
    late->setAttribute(Qt::WA_DontShowOnScreen);
    late->show();
    QApplication::processEvents();
    EXPECT_GT(late->paints, 0);
    delete late;
}

// Only the damage is painted into a buffer holding the previous frame; the
// result must be the frame a whole paint gives.
void expectPartialPaintEqualsWhole(double scale) {
    SCOPED_TRACE(scale);
    Panel panel;
    const QImage before = panel.renderWhole(scale);
    panel.child->phase = 3;
    panel.child->update();
    QApplication::processEvents();
    const QRegion damage = panel.tap->takeDamage();
    ASSERT_EQ(damage, QRegion(30, 20, 50, 40));

    QImage buffer = before.copy();
    const QRegion pixels = OverlayGeometry::scaledRegion(damage, int(scale));
    OverlayGeometry::clearPixels(buffer, pixels);
    panel.child->paints = panel.window.paints = 0;
    buffer.setDevicePixelRatio(scale);
    panel.window.render(&buffer, damage.boundingRect().topLeft(), damage, QWidget::DrawChildren);
    EXPECT_EQ(panel.child->paints, 1);

    const QImage whole = panel.renderWhole(scale);
    EXPECT_TRUE(buffer == whole);
    const QRegion changed = OverlayGeometry::changedRows(before, buffer, pixels);
    EXPECT_FALSE(changed.isEmpty());
    EXPECT_TRUE((changed - pixels).isEmpty());
    EXPECT_TRUE(OverlayGeometry::changedRect(before, whole).intersects(changed.boundingRect()));
    EXPECT_TRUE(OverlayGeometry::changedRows(buffer, whole, pixels).isEmpty());
}

TEST(WidgetRepaintTap, APartialPaintOverThePreviousFrameEqualsAWholeOne) {
    expectPartialPaintEqualsWhole(1.0);
    expectPartialPaintEqualsWhole(2.0);
}

}  // namespace
}  // namespace mirelon
