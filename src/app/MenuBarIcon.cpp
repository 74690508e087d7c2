#include "app/MenuBarIcon.h"

#include "platform/IconRegistry.h"

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

QIcon make(const QString& name, const QColor& tint, const SymbolLookup& lookup) {
    const QString path = lookup ? lookup(name) : QString();
    QIcon icon;
    for (int size : iconSizes) {
        QPixmap pixmap = path.isEmpty() ? QPixmap() : renderTinted(path, size, tint);
        if (pixmap.isNull()) {
            pixmap = QPixmap(size, size);
            pixmap.fill(Qt::transparent);
        }
        icon.addPixmap(pixmap);
    }
    return icon;
}

}  // namespace MenuBarIcon
}  // namespace mirelon
