// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/wayland/WaylandOverlaySurface.h"

#include <QObject>
#include <QPointF>
#include <QPointer>

#include <map>
#include <memory>
#include <vector>

class QWidget;
struct wl_surface;

namespace mirelon {

class WaylandDisplay;
class WaylandMoveCatcher;
class WaylandSeat;

// The overlay layer of native Wayland sessions: one connection of the
// program's own and a layer surface for each floating window handed to it.
// Camera panels stay above the ring light: a ring light surface that appears
// later is followed by the panels' surfaces made afresh above it.
//
// Pointer input reaches a floating window in two ways: a window that accepts
// mouse events (a status card's button) takes the pointer over its whole
// surface; in move mode a catcher over each output takes it over the panels'
// pictures. Either way the window gets ordinary Qt mouse events, so the drag
// and the buttons behave as on X11.
class WaylandOverlays : public QObject {
    Q_OBJECT
public:
    // The shared layer; null when no compositor with layer shell can be reached.
    static WaylandOverlays* shared();
    ~WaylandOverlays() override;

    // Shows `window` through a layer surface from now on (Qt never shows it).
    void attach(QWidget* window, WaylandOverlaySurface::Kind kind);
    WaylandOverlaySurface* surfaceFor(const QWidget* window) const;
    WaylandDisplay& display() const { return *display_; }

    // The window now accepts or ignores mouse events.
    void setAcceptsPointer(QWidget* window, bool accepts);

private:
    explicit WaylandOverlays(std::unique_ptr<WaylandDisplay> display);
    void outputsChanged();
    void surfaceMapped(WaylandOverlaySurface* surface);
    void prune();
    void moveModeChanged(bool active);
    void updateCatchers();
    void updateInputRegions();

    // Pointer routing.
    void pointerEntered(wl_surface* surface, QPointF local);
    void pointerMoved(QPointF local);
    void pointerLeft(wl_surface* surface);
    void buttonChanged(std::uint32_t button, bool pressed);
    void keyChanged(std::uint32_t key, bool pressed);
    void deliverPointer(QPointF global);
    QWidget* panelAt(QPointF global) const;
    void sendMouse(QWidget* window, int type, QPointF global, Qt::MouseButtons buttons);
    void updateCursor();

    std::unique_ptr<WaylandDisplay> display_;
    std::unique_ptr<WaylandSeat> seat_;
    std::vector<QPointer<WaylandOverlaySurface>> surfaces_;
    std::vector<std::unique_ptr<WaylandMoveCatcher>> catchers_;
    std::map<QWidget*, bool> acceptsPointer_;

    // Where the pointer is: a catcher's output origin or a window's surface.
    wl_surface* pointerSurface_ = nullptr;
    QPoint pointerOrigin_;
    QPointer<QWidget> pointerWindow_;  // set when over a window's own surface
    QPointF pointerGlobal_;
    QPointer<QWidget> pressed_;  // the window a held button went to
};

}  // namespace mirelon
