#pragma once

#include "platform/Scheduler.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QSocketNotifier;
struct xcb_connection_t;

namespace mirelon {

// Keeps floating windows stacked by level: higher levels above lower ones and
// all of them above every other window. Windows are restacked after each show
// and whenever another window is mapped or raised over them (root
// substructure events on an X connection of its own, at most ten restacks a
// second).
class WindowLevels : public QObject {
    Q_OBJECT
public:
    static constexpr int cameraPanel = 2000;
    static constexpr int ringLightOverlay = 1900;

    static WindowLevels& shared();
    ~WindowLevels() override;

    // Registers a top-level window at a level (or changes its level). The
    // registration ends when the window is destroyed or unregistered.
    void setLevel(QWidget* window, int level);
    void unregister(QWidget* window);
    std::optional<int> level(const QWidget* window) const;

    // Registered, shown windows from the bottom of the stack to the top: by
    // level, then in order of registration.
    QList<QWidget*> stackingOrder() const;

    // Restacks now (no-op without X11).
    void restack();

    // Whether the stack needs fixing: `children` are the root's children from
    // bottom to top, `ours` our windows in wanted order (bottom to top), and
    // `isViewable` tells whether a foreign window above ours can be seen.
    static bool needsRestack(const std::vector<std::uint32_t>& children,
                             const std::vector<std::uint32_t>& ours,
                             const std::function<bool(std::uint32_t)>& isViewable);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    WindowLevels();
    void readEvents();
    void scheduleCheck();
    void check();

    struct Entry {
        QPointer<QWidget> window;
        int level;
        std::uint64_t order;
    };
    std::vector<Entry> entries_;
    std::uint64_t nextOrder_ = 0;

    xcb_connection_t* connection_ = nullptr;
    std::uint32_t root_ = 0;
    std::unique_ptr<QSocketNotifier> notifier_;
    TaskHandle pendingCheck_;
    double lastRestack_ = -1.0;
};

}  // namespace mirelon
