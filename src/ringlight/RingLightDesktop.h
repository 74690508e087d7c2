// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QObject>
#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QString>

#include <memory>
#include <optional>

namespace mirelon {

class RingLightDesktop;
struct RingLightScreen;

// The display under the pointer, else the key window's (when preferred), else
// the main one, else the first; -1 when there is no screen.
int activeScreenIndex(const QList<RingLightScreen>& screens, const RingLightDesktop& desktop,
                      bool preferKeyWindow);

// One connected display as the ring light sees it.
struct RingLightScreen {
    const void* handle = nullptr;  // identity of the platform screen
    QString displayID;             // empty when the screen has no identifier
    QRect geometry;                // global, y down (Qt's window coordinates)
    QRectF frame;                  // global, y up: (minX, minY, width, height)
    double devicePixelRatio = 1;
    bool operator==(const RingLightScreen&) const = default;
};

// What the ring light needs from the desktop: the screens, the pointer, the
// key window's and main screens, and whether a compositor blends windows.
class RingLightDesktop : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~RingLightDesktop() override;

    virtual QList<RingLightScreen> screens() const = 0;
    // Global, y up; none when unknown.
    virtual std::optional<QPointF> pointerLocation() const = 0;
    virtual const void* keyWindowScreen() const = 0;
    virtual const void* mainScreen() const = 0;
    virtual bool isCompositing() const = 0;
    // Follow the pointer (pointerMoved) only while someone needs it.
    virtual void setPointerFollowed(bool followed) = 0;
    // Index into screens of the display the user works on (see activeScreenIndex).
    virtual int activeScreen(const QList<RingLightScreen>& screens, bool preferKeyWindow) const {
        return activeScreenIndex(screens, *this, preferKeyWindow);
    }

Q_SIGNALS:
    // Screens were added, removed, moved or resized, or the primary changed.
    void screensChanged();
    // A compositing manager started or stopped.
    void compositingChanged();
    // The pointer moved while followed.
    void pointerMoved();
};

// The desktop of the running application: Qt's screens with their display
// identifiers, the shared pointer watch, the compositor watch and the
// screens-changed notification.
class QtRingLightDesktop final : public RingLightDesktop {
    Q_OBJECT
public:
    explicit QtRingLightDesktop(QObject* parent = nullptr);
    ~QtRingLightDesktop() override;

    QList<RingLightScreen> screens() const override;
    std::optional<QPointF> pointerLocation() const override;
    const void* keyWindowScreen() const override;
    const void* mainScreen() const override;
    bool isCompositing() const override;
    void setPointerFollowed(bool followed) override;
    int activeScreen(const QList<RingLightScreen>& screens, bool preferKeyWindow) const override;

private:
    std::shared_ptr<void> motionInterest_;
    bool followed_ = false;
    std::optional<QPoint> lastPointer_;
};

}  // namespace mirelon
