// SPDX-License-Identifier: GPL-3.0-or-later
#include "ringlight/RingLightDesktop.h"

#include "platform/CompositorWatch.h"
#include "platform/FloatingWindow.h"
#include "platform/PointerWatch.h"
#include "platform/qt/ScreenChangeNotifier.h"
#include "platform/qt/ScreenCoordinates.h"
#include "platform/qt/ScreenUtils.h"

#include <QApplication>
#include <QCursor>
#include <QScreen>

namespace mirelon {

RingLightDesktop::~RingLightDesktop() = default;

int activeScreenIndex(const QList<RingLightScreen>& screens, const RingLightDesktop& desktop,
                      bool preferKeyWindow) {
    if (screens.isEmpty()) {
        return -1;
    }
    if (const auto p = desktop.pointerLocation()) {
        for (int i = 0; i < screens.size(); ++i) {
            const QRectF& f = screens[i].frame;
            if (p->x() >= f.left() && p->x() < f.right() && p->y() >= f.top() &&
                p->y() < f.bottom()) {
                return i;
            }
        }
    }
    auto indexOf = [&](const void* handle) {
        for (int i = 0; handle && i < screens.size(); ++i) {
            if (screens[i].handle == handle) {
                return i;
            }
        }
        return -1;
    };
    if (preferKeyWindow) {
        if (const int i = indexOf(desktop.keyWindowScreen()); i >= 0) {
            return i;
        }
    }
    if (const int i = indexOf(desktop.mainScreen()); i >= 0) {
        return i;
    }
    return 0;
}

QtRingLightDesktop::QtRingLightDesktop(QObject* parent) : RingLightDesktop(parent) {
    // Screen changes arrive as Notifications::screensChanged, which the
    // controller observes; the notifier starts following Qt's screens here.
    ScreenChangeNotifier::shared();
    connect(&CompositorWatch::shared(), &CompositorWatch::compositingChanged, this,
            [this] { Q_EMIT compositingChanged(); });
    connect(&PointerWatch::shared(), &PointerWatch::pointerMoved, this, [this](QPoint p) {
        if (followed_) {
            lastPointer_ = p;
            Q_EMIT pointerMoved();
        }
    });
}

QtRingLightDesktop::~QtRingLightDesktop() = default;

QList<RingLightScreen> QtRingLightDesktop::screens() const {
    QList<RingLightScreen> out;
    for (QScreen* s : QGuiApplication::screens()) {
        RingLightScreen screen;
        screen.handle = s;
        screen.displayID = Utils::displayID(s).value_or(QString());
        screen.geometry = s->geometry();
        screen.frame = ScreenCoordinates::toYUp(QRectF(s->geometry()));
        screen.devicePixelRatio = s->devicePixelRatio();
        out.append(screen);
    }
    return out;
}

std::optional<QPointF> QtRingLightDesktop::pointerLocation() const {
    if (!FloatingWindow::canFollowPointer()) {
        return std::nullopt;  // no pointer hole where the pointer cannot be known
    }
    const QPoint p = lastPointer_.value_or(QCursor::pos());
    // The centre of the pixel the pointer addresses.
    return ScreenCoordinates::pointToYUp(QPointF(p) + QPointF(0.5, 0.5));
}

const void* QtRingLightDesktop::keyWindowScreen() const {
    const auto key = ScreenSource::current().keyWindowScreen();
    return key ? key->screen : nullptr;
}

const void* QtRingLightDesktop::mainScreen() const {
    return QGuiApplication::primaryScreen();
}

bool QtRingLightDesktop::isCompositing() const {
    return CompositorWatch::shared().isCompositing();
}

void QtRingLightDesktop::setPointerFollowed(bool followed) {
    if (followed == followed_) {
        return;
    }
    followed_ = followed;
    // The interest handle may hold no pointer: only its lifetime counts.
    motionInterest_ = followed ? PointerWatch::shared().motionInterest() : nullptr;
    lastPointer_.reset();
}

int QtRingLightDesktop::activeScreen(const QList<RingLightScreen>& screens,
                                     bool preferKeyWindow) const {
    QList<QScreen*> qscreens;
    for (const RingLightScreen& s : screens) {
        qscreens.append(static_cast<QScreen*>(const_cast<void*>(s.handle)));
    }
    QScreen* chosen = Utils::activeScreen(qscreens, preferKeyWindow);
    return chosen ? int(qscreens.indexOf(chosen)) : -1;
}

}  // namespace mirelon
