// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace mirelon {

// Keeps floating windows stacked by level: higher levels above lower ones and
// all of them above every other program's window. Levels below
// `ownWindows` (the ring light) stay under the program's own ordinary windows
// (menus, dialogs, the settings window) where those are above every other
// program's window, so that what the user operates is never washed out;
// levels from `ownWindows` up (camera panels) are above everything.
//
// This base only keeps the registry: where the display server stacks
// windows itself (layer surfaces on Wayland) nothing more is needed. The X11
// stacking restacks the windows after each show and whenever another window
// covers them.
class WindowStacking : public QObject {
    Q_OBJECT
public:
    static constexpr int cameraPanel = 2000;
    static constexpr int ringLightOverlay = 1900;
    // Where the program's own menus, dialogs and settings window sit.
    static constexpr int ownWindows = 1950;

    // The session's stacking, made on first use by the factory the platform
    // loader installed (or the base without one).
    static WindowStacking& shared();
    static void setFactory(std::function<WindowStacking*()> factory);

    WindowStacking() = default;

    // Registers a top-level window at a level (or changes its level). The
    // registration ends when the window is destroyed or unregistered.
    void setLevel(QWidget* window, int level);
    void unregister(QWidget* window);
    std::optional<int> level(const QWidget* window) const;
    // Registered, shown windows from the bottom of the stack to the top: by
    // level, then in order of registration.
    QList<QWidget*> stackingOrder() const;

    // Restacks now (nothing to do where the display server keeps the order).
    virtual void restack() {}

protected:
    struct Entry {
        QPointer<QWidget> window;
        int level;
        std::uint64_t order;
    };
    const std::vector<Entry>& entries() const { return entries_; }
    // A registered window was shown or changed level: the stack may need fixing.
    virtual void stackMayHaveChanged() {}

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::vector<Entry> entries_;
    std::uint64_t nextOrder_ = 0;
};

}  // namespace mirelon
