// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qt/IconRegistry.h"

#include <QDir>
#include <QFile>
#include <QIconEngine>
#include <QPainter>
#include <QSvgRenderer>

// Outside any namespace, as resource initialisation requires.
static void initIconResources() {
    Q_INIT_RESOURCE(icons);
}

namespace mirelon::IconRegistry {
namespace {

const QString kFolder = QStringLiteral(":/icons/");
const QString kGlyphSuffix = QStringLiteral(".primary");

void ensureResources() {
    // The resources live in a static library: register them once by hand.
    static const bool registered = [] {
        initIconResources();
        return true;
    }();
    (void)registered;
}

QImage render(const QString& path, const QSize& pixels) {
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QSvgRenderer renderer(path);
    if (!renderer.isValid()) {
        return {};
    }
    QPainter painter(&image);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(pixels)));
    return image;
}

void tint(QImage& image, const QColor& color) {
    QPainter painter(&image);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(image.rect(), color);
}

QSize scaled(const QSize& size, qreal dpr) {
    return QSize(qMax(1, qRound(size.width() * dpr)), qMax(1, qRound(size.height() * dpr)));
}

// Draws a tinted symbol at whatever size the icon is asked for.
class TintedEngine final : public QIconEngine {
public:
    TintedEngine(QString name, QColor color) : name_(std::move(name)), color_(color) {}
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        QColor c = color_;
        if (mode == QIcon::Disabled) {
            c.setAlphaF(c.alphaF() * 0.4);
        }
        const qreal dpr = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        painter->drawPixmap(rect, IconRegistry::pixmap(name_, rect.size(), c, dpr));
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        QPixmap pm(size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        paint(&p, QRect(QPoint(0, 0), size), mode, state);
        return pm;
    }
    QIconEngine* clone() const override { return new TintedEngine(name_, color_); }
    QString key() const override { return QStringLiteral("MirelonTinted"); }
    bool isNull() override { return false; }

private:
    QString name_;
    QColor color_;
};

}  // namespace

QStringList names() {
    ensureResources();
    QStringList out;
    const auto entries = QDir(kFolder).entryList({QStringLiteral("*.svg")}, QDir::Files);
    for (const QString& file : entries) {
        const QString name = file.chopped(4);
        if (!name.endsWith(kGlyphSuffix)) {
            out.append(name);
        }
    }
    out.sort();
    return out;
}

QString resourcePath(const QString& name) {
    ensureResources();
    if (name.isEmpty() || name.contains(QLatin1Char('/'))) {
        return {};
    }
    const QString path = kFolder + name + QStringLiteral(".svg");
    return QFile::exists(path) ? path : QString();
}

bool contains(const QString& name) {
    return !name.endsWith(kGlyphSuffix) && !resourcePath(name).isEmpty();
}

QIcon icon(const QString& name) {
    return contains(name) ? QIcon(resourcePath(name)) : QIcon();
}

QIcon tintedIcon(const QString& name, const QColor& color) {
    return contains(name) ? QIcon(new TintedEngine(name, color)) : QIcon();
}

QPixmap pixmap(const QString& name, const QSize& size, const QColor& color, qreal dpr) {
    if (!contains(name) || size.isEmpty()) {
        return {};
    }
    QImage image = render(resourcePath(name), scaled(size, dpr));
    if (image.isNull()) {
        return {};
    }
    tint(image, color);
    QPixmap out = QPixmap::fromImage(std::move(image));
    out.setDevicePixelRatio(dpr);
    return out;
}

QPixmap palettePixmap(const QString& name, const QSize& size, const QColor& primary,
                      const QColor& secondary, qreal dpr) {
    const QString glyph = resourcePath(name + kGlyphSuffix);
    if (glyph.isEmpty()) {
        return pixmap(name, size, primary, dpr);
    }
    if (!contains(name) || size.isEmpty()) {
        return {};
    }
    const QSize pixels = scaled(size, dpr);
    QImage base = render(resourcePath(name), pixels);
    QImage top = render(glyph, pixels);
    if (base.isNull() || top.isNull()) {
        return {};
    }
    tint(base, secondary);
    tint(top, primary);
    {
        QPainter painter(&base);
        painter.drawImage(0, 0, top);
    }
    QPixmap out = QPixmap::fromImage(std::move(base));
    out.setDevicePixelRatio(dpr);
    return out;
}

}  // namespace mirelon::IconRegistry
