// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/WindowStacking.h"
#include "platform/qt/Scheduler.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QSocketNotifier;
struct xcb_connection_t;

namespace mirelon {

// Keeps the stacking from fighting a window manager that puts its own order
// back after each restack (mutter keeps its frames right above the windows
// it stacks them on, whatever lies between): finding the same wrong order
// right after restacking it means the restack was undone; after maxUndone
// undone restacks that arrangement is left as it is, until the stack changes
// in another way.
class RestackGuard {
public:
    static constexpr int maxUndone = 2;
    using Order = std::vector<std::uint32_t>;

    // Whether to restack, the stack being `present` and wanted `wanted`.
    bool shouldRestack(const Order& present, const Order& wanted);
    // A restack of `present` towards `wanted` was sent.
    void restacked(const Order& present, const Order& wanted);
    // Whether the last shouldRestack() gave up on its arrangement.
    bool gaveUp() const { return undone_ > maxUndone; }

private:
    Order lastPresent_;
    Order lastWanted_;
    int undone_ = 0;
};

// Restacks the registered floating windows after each show and whenever
// another window is mapped or raised over them (root substructure events on
// an X connection of its own, at most ten restacks a second; none against a
// window manager that undoes them, see RestackGuard).
class X11WindowStacking final : public WindowStacking {
    Q_OBJECT
public:
    X11WindowStacking();
    ~X11WindowStacking() override;

    void restack() override;

    // Whether the stack needs fixing: `children` are the root's children from
    // bottom to top, `ours` our windows in wanted order (bottom to top), and
    // `isViewable` tells whether a foreign window above ours can be seen.
    static bool needsRestack(const std::vector<std::uint32_t>& children,
                             const std::vector<std::uint32_t>& ours,
                             const std::function<bool(std::uint32_t)>& isViewable);

    // The whole picture: `under` are our windows below `ownWindows`, `over`
    // those from it up (each in wanted order, bottom to top), `isOwn` tells
    // the program's other windows (root children) from other programs',
    // `frame` gives where a root child is on the screen.
    struct Stack {
        std::vector<std::uint32_t> children;  // the root's children, bottom to top
        std::vector<std::uint32_t> under;
        std::vector<std::uint32_t> over;
        std::function<bool(std::uint32_t)> isOwn;
        std::function<bool(std::uint32_t)> isViewable;
        std::function<QRect(std::uint32_t)> frame;
    };
    // Where `under` goes: right below one of the program's own windows, or
    // right above another program's window; at the bottom when neither.
    struct Anchor {
        std::uint32_t window = 0;
        bool below = false;
        bool operator==(const Anchor&) const = default;
    };
    // `under` goes right below the lowest of the program's own windows that
    // no other program's window covers (so it stays readable), else right
    // above the topmost viewable window of another program; `over` on top.
    static std::optional<Anchor> underAnchor(const Stack& stack);
    // The stack as it should be and as it is (viewable windows and ours,
    // bottom to top).
    static std::vector<std::uint32_t> wantedOrder(const Stack& stack);
    static std::vector<std::uint32_t> presentOrder(const Stack& stack);
    static bool needsRestack(const Stack& stack);

protected:
    void stackMayHaveChanged() override { scheduleCheck(); }

private:
    void readEvents();
    void scheduleCheck();
    void check();
    // Reads the stack from the server (none without a connection).
    std::optional<Stack> readStack();
    void restack(const Stack& stack);
    std::optional<std::uint32_t> rootChildOf(std::uint32_t window);

    xcb_connection_t* connection_ = nullptr;
    std::uint32_t root_ = 0;
    std::uint32_t wmState_ = 0;
    std::unique_ptr<QSocketNotifier> notifier_;
    TaskHandle pendingCheck_;
    double lastRestack_ = -1.0;
    RestackGuard guard_;
};

}  // namespace mirelon
