#include "app/MenuBarIcon.h"

#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QPalette>
#include <QSvgRenderer>

// The images are compiled into the static program library, whose resource
// object is only linked in when something refers to it.
static void initAppResources() {
    Q_INIT_RESOURCE(app);
}

namespace mirelon {
namespace MenuBarIcon {

void ensureResources() {
    static const bool done = [] {
        initAppResources();
        return true;
    }();
    (void)done;
}

namespace {
const int iconSizes[] = {16, 22, 24, 32, 48, 64};
}

QString defaultSymbolLookup(const QString& name) {
    ensureResources();
    if (name == templateImageName) {
        return QStringLiteral(":/app/MenuBarIcon.svg");
    }
    // Symbol names are dotted words ("video.circle.fill"): nothing else may
    // become part of a path.
    for (QChar c : name) {
        if (!(c.isLetterOrNumber() || c == u'.' || c == u'_' || c == u'-')) {
            return {};
        }
    }
    const QString path = QStringLiteral(":/symbols/%1.svg").arg(name);
    return QFile::exists(path) ? path : QString();
}

QColor panelTextColor() {
    return QGuiApplication::palette().color(QPalette::Active, QPalette::WindowText);
}

QPixmap renderTinted(const QString& svgPath, int size, const QColor& tint) {
    ensureResources();
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
