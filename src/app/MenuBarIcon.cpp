// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MenuBarIcon.h"

#include "platform/ShellExtension.h"
#include "platform/TrayHost.h"
#include "platform/qt/IconRegistry.h"

#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QPalette>
#include <QSvgRenderer>

namespace mirelon {
namespace MenuBarIcon {

namespace {
const int iconSizes[] = {16, 22, 24, 32, 48, 64};
}

QString defaultSymbolLookup(const QString& name) {
    return IconRegistry::contains(name) ? IconRegistry::resourcePath(name) : QString();
}

QColor panelTextColor() {
    return QGuiApplication::palette().color(QPalette::Active, QPalette::WindowText);
}

QPixmap renderTinted(const QString& svgPath, int size, const QColor& tint) {
    QSvgRenderer renderer(svgPath);
    if (!renderer.isValid()) {
        return {};
    }
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        // Keep the aspect ratio, centred.
        const QSizeF natural =
            renderer.defaultSize().isEmpty() ? QSizeF(size, size) : QSizeF(renderer.defaultSize());
        const qreal scale = std::min(size / natural.width(), size / natural.height());
        const QSizeF drawn = natural * scale;
        renderer.render(
            &painter,
            QRectF(QPointF((size - drawn.width()) / 2, (size - drawn.height()) / 2), drawn));
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(image.rect(), tint);
    }
    return QPixmap::fromImage(image);
}

namespace {

// The glyph over a one-pixel outline of the halo colour.
QPixmap withHalo(const QString& svgPath, int size, const QColor& tint, const QColor& halo) {
    const QPixmap glyph = renderTinted(svgPath, size, tint);
    if (glyph.isNull() || !halo.isValid()) {
        return glyph;
    }
    const QPixmap outline = renderTinted(svgPath, size, halo);
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    for (int dx = -1; dx <= 1; ++dx) {
        for (int dy = -1; dy <= 1; ++dy) {
            if (dx || dy) {
                painter.drawPixmap(dx, dy, outline);
            }
        }
    }
    painter.drawPixmap(0, 0, glyph);
    painter.end();
    return QPixmap::fromImage(image);
}

QIcon render(const QString& name, const QColor& tint, const QColor& halo,
             const SymbolLookup& lookup) {
    const QString path = lookup ? lookup(name) : QString();
    QIcon icon;
    for (int size : iconSizes) {
        QPixmap pixmap = path.isEmpty() ? QPixmap() : withHalo(path, size, tint, halo);
        if (pixmap.isNull()) {
            pixmap = QPixmap(size, size);
            pixmap.fill(Qt::transparent);
        }
        icon.addPixmap(pixmap);
    }
    return icon;
}

}  // namespace

QIcon make(const QString& name, const QColor& tint, const SymbolLookup& lookup) {
    return render(name, tint, QColor(), lookup);
}

TrayStyle trayStyle(bool statusNotifierHost, const std::optional<QColor>& trayForeground,
                    const QPalette& palette) {
    TrayStyle style;
    if (statusNotifierHost) {
        style.mask = true;
        style.tint = Qt::black;
        return style;
    }
    style.tint =
        trayForeground ? *trayForeground : palette.color(QPalette::Active, QPalette::WindowText);
    style.tint.setAlpha(255);
    const bool lightGlyph = style.tint.lightnessF() >= 0.5;
    style.halo = lightGlyph ? QColor(0, 0, 0, 150) : QColor(255, 255, 255, 150);
    return style;
}

TrayStyle statusNotifierStyle(bool gnomeShell, const QPalette& palette) {
    return gnomeShell ? trayStyle(false, QColor(Qt::white), palette)
                      : trayStyle(true, std::nullopt, palette);
}

TrayStyle currentTrayStyle() {
    if (TrayHost::hasStatusNotifierHost()) {
        return statusNotifierStyle(ShellExtension::runsUnderGnomeShell(),
                                   QGuiApplication::palette());
    }
    return trayStyle(false, TrayHost::xembedTrayForeground(), QGuiApplication::palette());
}

TrayStyle embeddedTrayStyle() {
    return trayStyle(false, TrayHost::xembedTrayForeground(), QGuiApplication::palette());
}

QIcon makeForTray(const QString& name, const TrayStyle& style, const SymbolLookup& lookup) {
    QIcon icon = render(name, style.tint, style.halo, lookup);
    icon.setIsMask(style.mask);
    return icon;
}

}  // namespace MenuBarIcon
}  // namespace mirelon
