// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/FloatingWindow.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QRect>

#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace mirelon {

// The floating-window presenter of GNOME sessions (X11 windows through
// Xwayland): the X11 presenter does the work; this one also keeps the list of
// the program's overlay windows (camera panels, ring light), which the Shell
// extension is given so that it keeps them click-through and on top.
//
// While move mode is on, camera panels take the pointer whether or not they
// asked to: without the extension Xwayland learns of the pointer over a
// panel only once the panel takes it, and only then can the panel see that
// it is hovered and be dragged. Their own wish applies again when it ends.
class GnomeOverlayWindows final : public QObject, public FloatingWindow::Presenter {
    Q_OBJECT
public:
    explicit GnomeOverlayWindows(std::unique_ptr<FloatingWindow::Presenter> x11);

    void prepare(QWidget* window, FloatingWindow::Role role) override;
    void setAcceptsPointer(QWidget* window, bool accepts) override;
    void keepComposited(QWidget* window) override;
    bool overlaysBlockClicks() const override { return clickFault_ && clickFault_(); }

    // The X ids of the overlay windows that have one, in the order they were prepared.
    QList<quint64> windowIds() const;
    // Where the shown camera panels are (global coordinates).
    QList<QRect> panelFrames() const;

    // Runs (on the next turn, once for a burst) when windowIds() may have changed.
    void setChangeHandler(std::function<void()> handler) { onChange_ = std::move(handler); }
    // Tells whether the compositor gives the overlays clicks they refuse.
    void setClickFault(std::function<bool()> fault) { clickFault_ = std::move(fault); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Entry {
        QPointer<QWidget> window;
        FloatingWindow::Role role;
    };
    void changed();

    std::unique_ptr<FloatingWindow::Presenter> x11_;
    void moveModeChanged(bool active);
    void applyInput(QWidget* window);

    std::vector<Entry> windows_;
    std::map<const QWidget*, bool> acceptsPointer_;  // what each window asked for
    std::function<void()> onChange_;
    std::function<bool()> clickFault_;
    bool changePending_ = false;
};

}  // namespace mirelon
