// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/CameraStatusViews.h"

#include "platform/qt/IconRegistry.h"

#include <QGraphicsDropShadowEffect>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace mirelon {
namespace {

// A font whose em is `pixels` device-independent pixels (the cards are
// designed in points of one pixel each).
QFont fontOfPixels(double pixels, QFont::Weight weight) {
    QFont font;
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(pixels))));
    font.setWeight(weight);
    return font;
}

const QColor kForeground(255, 255, 255);
const QColor kBackdrop(28, 28, 32, 153);  // dark translucent material at 70 %
const QColor kProminent(10, 132, 255);

// sRGB <-> OKLab.
double toLinear(double c) {
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}
double toGamma(double c) {
    c = std::clamp(c, 0.0, 1.0);
    return c <= 0.0031308 ? 12.92 * c : 1.055 * std::pow(c, 1 / 2.4) - 0.055;
}
struct Lab {
    double L, a, b;
};
Lab toOklab(const QColor& c) {
    const double r = toLinear(c.redF()), g = toLinear(c.greenF()), b = toLinear(c.blueF());
    const double l = std::cbrt(0.4122214708 * r + 0.5363325363 * g + 0.0514459929 * b);
    const double m = std::cbrt(0.2119034982 * r + 0.6806995451 * g + 0.1073969566 * b);
    const double s = std::cbrt(0.0883024619 * r + 0.2817188376 * g + 0.6299787005 * b);
    return {0.2104542553 * l + 0.7936177850 * m - 0.0040720468 * s,
            1.9779984951 * l - 2.4285922050 * m + 0.4505937099 * s,
            0.0259040371 * l + 0.7827717662 * m - 0.8086757660 * s};
}
QColor fromOklab(const Lab& lab, double alpha) {
    const double l = std::pow(lab.L + 0.3963377774 * lab.a + 0.2158037573 * lab.b, 3);
    const double m = std::pow(lab.L - 0.1055613458 * lab.a - 0.0638541728 * lab.b, 3);
    const double s = std::pow(lab.L - 0.0894841775 * lab.a - 1.2914855480 * lab.b, 3);
    return QColor::fromRgbF(
        static_cast<float>(toGamma(4.0767416621 * l - 3.3077115913 * m + 0.2309699292 * s)),
        static_cast<float>(toGamma(-1.2684380046 * l + 2.6097574011 * m - 0.3413193965 * s)),
        static_cast<float>(toGamma(-0.0041960863 * l - 0.7034186147 * m + 1.7076147010 * s)),
        static_cast<float>(alpha));
}

// The prominent pill button: filled, clipped to a rounded rectangle of the
// given corner radius (at most half its height), and taking clicks only there.
class PillButton final : public QPushButton {
public:
    PillButton(const QString& text, double radius, double hPad, double vPad, QWidget* parent)
        : QPushButton(text, parent), radius_(radius), hPad_(hPad), vPad_(vPad) {
        setCursor(Qt::PointingHandCursor);
        setAttribute(Qt::WA_Hover);
    }
    QSize sizeHint() const override {
        const QFontMetricsF m(font());
        return QSizeF(m.horizontalAdvance(text()) + 2 * hPad_, m.height() + 2 * vPad_)
            .toSize()
            .expandedTo(QSize(1, 1));
    }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    QPainterPath shape() const {
        QPainterPath path;
        const double r = std::min(radius_, height() / 2.0);
        path.addRoundedRect(QRectF(rect()), r, r);
        return path;
    }
    bool hitButton(const QPoint& pos) const override { return shape().contains(pos); }
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QColor fill = kProminent;
        if (isDown()) {
            fill = fill.darker(120);
        } else if (underMouse()) {
            fill = fill.lighter(110);
        }
        painter.fillPath(shape(), fill);
        painter.setPen(Qt::white);
        painter.setFont(font());
        painter.drawText(rect(), Qt::AlignCenter, text());
    }

private:
    double radius_;
    double hPad_;
    double vPad_;
};

}  // namespace

CameraStatusCard::CameraStatusCard(QString symbolName, const QString& message,
                                   const QString& buttonLabel, double size,
                                   std::function<void()> onOpenSettings, QWidget* parent)
    : QWidget(parent),
      symbolName_(std::move(symbolName)),
      size_(std::isfinite(size) ? std::clamp(size, 0.05, 20.0) : 1.0),
      onOpenSettings_(std::move(onOpenSettings)) {
    const double s = size_;
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);

    // The stack, centred, with a soft shadow under everything in it.
    auto* stack = new QWidget(this);
    auto* shadow = new QGraphicsDropShadowEffect(stack);
    shadow->setBlurRadius(6);
    shadow->setOffset(0, 0);
    shadow->setColor(QColor(0, 0, 0, 64));
    stack->setGraphicsEffect(shadow);
    auto* column = new QVBoxLayout(stack);
    const int pad = static_cast<int>(std::lround(12 * s));
    column->setContentsMargins(pad, pad, pad, pad);
    column->setSpacing(static_cast<int>(std::lround(8 * s)));
    column->setAlignment(Qt::AlignCenter);

    symbol_ = new QLabel(stack);
    // A symbol set in type of N points stands about 1.2 N tall.
    const int symbolPixels = std::max(1, static_cast<int>(std::lround(1.2 * symbolPointSize())));
    symbol_->setPixmap(IconRegistry::pixmap(symbolName_, QSize(symbolPixels, symbolPixels),
                                            kForeground, devicePixelRatioF()));
    symbol_->setAlignment(Qt::AlignCenter);
    column->addWidget(symbol_, 0, Qt::AlignHCenter);

    message_ = new QLabel(message, stack);
    message_->setWordWrap(true);
    message_->setAlignment(Qt::AlignCenter);
    message_->setFont(fontOfPixels(messagePointSize(), QFont::DemiBold));
    const int messagePad = static_cast<int>(std::lround(6 * s));
    message_->setContentsMargins(messagePad, 0, messagePad, 0);
    QPalette palette = message_->palette();
    palette.setColor(QPalette::WindowText, kForeground);
    message_->setPalette(palette);
    column->addWidget(message_, 0, Qt::AlignHCenter);

    column->addSpacing(static_cast<int>(std::lround(8 * s)) - column->spacing() / 2);
    button_ = new PillButton(buttonLabel, buttonCornerRadius(), 8 * s, 4 * s, stack);
    button_->setFont(fontOfPixels(buttonPointSize(), QFont::Medium));
    connect(button_, &QPushButton::clicked, this, [this] {
        if (onOpenSettings_) {
            onOpenSettings_();
        }
    });
    column->addWidget(button_, 0, Qt::AlignHCenter);

    outer->addWidget(stack, 0, Qt::AlignCenter);
}

QString CameraStatusCard::message() const {
    return message_->text();
}

QString CameraStatusCard::buttonLabel() const {
    return button_->text();
}

void CameraStatusCard::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), kBackdrop);
}

CameraPermissionView::CameraPermissionView(double size, std::function<void()> onOpenSettings,
                                           QWidget* parent)
    : CameraStatusCard(QStringLiteral("exclamationmark.triangle.fill"),
                       tr("Camera permission is not granted."), tr("Grant access"), size,
                       std::move(onOpenSettings), parent) {}

CameraUnavailableView::CameraUnavailableView(double size, const QString& cameraName,
                                             std::function<void()> onOpenSettings, QWidget* parent)
    : CameraStatusCard(QStringLiteral("video.slash.fill"), tr("%1 is unavailable.").arg(cameraName),
                       tr("Open camera settings"), size, std::move(onOpenSettings), parent) {}

CameraBusyView::CameraBusyView(double size, const QString& cameraName,
                               std::function<void()> onOpenSettings, QWidget* parent)
    : CameraStatusCard(QStringLiteral("video.slash.fill"),
                       tr("%1 is in use by another app.").arg(cameraName),
                       tr("Open camera settings"), size, std::move(onOpenSettings), parent) {}

AccessIndicatorView::AccessIndicatorView(QString text, QString image, QColor color, QWidget* parent)
    : QWidget(parent), text_(std::move(text)), image_(std::move(image)), color_(color) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QColor AccessIndicatorView::mixPerceptual(const QColor& a, const QColor& b, double t) {
    const Lab x = toOklab(a);
    const Lab y = toOklab(b);
    return fromOklab({x.L + (y.L - x.L) * t, x.a + (y.a - x.a) * t, x.b + (y.b - x.b) * t},
                     a.alphaF() + (b.alphaF() - a.alphaF()) * t);
}

QColor AccessIndicatorView::secondaryColor() const {
    return mixPerceptual(color_, Qt::white, 0.1);
}

QFont AccessIndicatorView::textFont() const {
    return fontOfPixels(11, QFont::Normal);
}

QSize AccessIndicatorView::sizeHint() const {
    const QFontMetrics metrics(textFont());
    const int width = 8 + metrics.horizontalAdvance(text_) + 6 + 10 + 8;
    const int height = 4 + std::max(metrics.height(), 10) + 4;
    return {width, height};
}

void AccessIndicatorView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath pill;
    pill.addRoundedRect(bounds, 8, 8);
    painter.fillPath(pill, QColor(128, 128, 128, 51));
    // A 1-point outline that casts a faint shadow inwards: a soft inner shadow.
    painter.save();
    painter.setClipPath(pill);
    painter.setPen(QPen(QColor(0, 0, 0, 30), 3));
    painter.drawPath(pill.translated(0, 1));
    painter.setPen(QPen(QColor(128, 128, 128, 51), 1));
    painter.drawPath(pill);
    painter.restore();

    const QFont font = textFont();
    const QFontMetrics metrics(font);
    painter.setFont(font);
    painter.setPen(palette().color(QPalette::WindowText));
    const int textWidth = metrics.horizontalAdvance(text_);
    const QRect textRect(8, 0, textWidth, height());
    painter.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft, text_);
    const QRect symbolRect(textRect.right() + 1 + 6, (height() - 10) / 2, 10, 10);
    painter.drawPixmap(symbolRect,
                       IconRegistry::palettePixmap(image_, symbolRect.size(), Qt::white,
                                                   secondaryColor(), devicePixelRatioF()));
}

}  // namespace mirelon
