// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qt/ScreenUtils.h"

#include "platform/qt/ScreenCoordinates.h"

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

namespace mirelon {

namespace {
ScreenSource* installedSource = nullptr;

QScreen* keyWindowQScreen() {
    if (QWindow* focus = QGuiApplication::focusWindow()) {
        return focus->screen();
    }
    if (QWidget* active = QApplication::activeWindow()) {
        return active->screen();
    }
    return nullptr;
}
}  // namespace

ScreenSource& ScreenSource::current() {
    static QtScreenSource qtSource;
    return installedSource ? *installedSource : qtSource;
}

void ScreenSource::setCurrent(ScreenSource* source) {
    installedSource = source;
}

ScreenInfo QtScreenSource::info(QScreen* screen) {
    const QRectF primary = ScreenCoordinates::primaryGeometry();
    return ScreenInfo{screen->name(), ScreenCoordinates::toYUp(screen->geometry(), primary),
                      ScreenCoordinates::toYUp(screen->availableGeometry(), primary), screen};
}

QList<ScreenInfo> QtScreenSource::screens() const {
    QList<ScreenInfo> list;
    for (QScreen* screen : QGuiApplication::screens()) {
        list.append(info(screen));
    }
    return list;
}

std::optional<ScreenInfo> QtScreenSource::mainScreen() const {
    if (QScreen* primary = QGuiApplication::primaryScreen()) {
        return info(primary);
    }
    return std::nullopt;
}

QPointF QtScreenSource::pointerLocation() const {
    // The pointer addresses a pixel: convert the pixel's square so that the
    // top row of a screen stays inside that screen's frame.
    return ScreenCoordinates::toYUp(QRectF(QCursor::pos(), QSizeF(1, 1))).topLeft();
}

std::optional<ScreenInfo> QtScreenSource::keyWindowScreen() const {
    if (QScreen* screen = keyWindowQScreen()) {
        return info(screen);
    }
    return std::nullopt;
}

quint32 fnv1a32(const QByteArray& bytes) {
    quint32 hash = 2166136261u;
    for (char c : bytes) {
        hash ^= static_cast<quint8>(c);
        hash *= 16777619u;
    }
    return hash;
}

std::optional<QString> displayIdentifier(const QString& manufacturer, const QString& model,
                                         const QString& serialNumber, const QString& name) {
    if (name.isEmpty()) {
        return std::nullopt;
    }
    QString identity;
    if (manufacturer.isEmpty() && model.isEmpty() && serialNumber.isEmpty()) {
        identity = name;
    } else {
        identity = manufacturer + u'|' + model + u'|' + serialNumber;
        if (serialNumber.isEmpty()) {
            identity += u'|' + name;
        }
    }
    return QString::number(fnv1a32(identity.toUtf8()));
}

std::optional<ScreenInfo> activeScreenAmong(const QList<ScreenInfo>& screens, bool preferKeyWindow,
                                            const ScreenSource& source) {
    if (screens.isEmpty()) {
        return std::nullopt;
    }
    const QPointF pointer = source.pointerLocation();
    for (const ScreenInfo& screen : screens) {
        // Frames are half-open: a point on the shared edge of two screens
        // belongs to the one it starts.
        const QRectF& f = screen.frame;
        if (pointer.x() >= f.left() && pointer.x() < f.right() && pointer.y() >= f.top() &&
            pointer.y() < f.bottom()) {
            return screen;
        }
    }
    if (preferKeyWindow) {
        if (auto key = source.keyWindowScreen(); key && screens.contains(*key)) {
            return key;
        }
    }
    if (auto main = source.mainScreen(); main && screens.contains(*main)) {
        return main;
    }
    return screens.first();
}

namespace Utils {

QScreen* activeScreen(const QList<QScreen*>& screens, bool preferKeyWindow) {
    QList<ScreenInfo> infos;
    for (QScreen* screen : screens) {
        infos.append(QtScreenSource::info(screen));
    }
    const auto chosen = activeScreenAmong(infos, preferKeyWindow, ScreenSource::current());
    return chosen ? chosen->screen : nullptr;
}

std::optional<QString> displayID(const QScreen* screen) {
    if (!screen) {
        return std::nullopt;
    }
    return displayIdentifier(screen->manufacturer(), screen->model(), screen->serialNumber(),
                             screen->name());
}

}  // namespace Utils
}  // namespace mirelon
