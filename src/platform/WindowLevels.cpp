#include "platform/WindowLevels.h"

#include "platform/X11Connection.h"

#include <QEvent>
#include <QGuiApplication>
#include <QSocketNotifier>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <unordered_set>

namespace mirelon {

namespace {
constexpr double minimumRestackInterval = 0.1;
}

WindowLevels& WindowLevels::shared() {
    static WindowLevels* levels = new WindowLevels();  // lives for the process
    return *levels;
}

WindowLevels::WindowLevels() {
    const auto x = openPrivateX11Connection();
    if (!x) {
        return;
    }
    connection_ = x->connection;
    root_ = x->root;
    const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection_, root_, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(connection_);
    notifier_ = std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(connection_),
                                                  QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { readEvents(); });
}

WindowLevels::~WindowLevels() {
    notifier_.reset();
    if (connection_) {
        xcb_disconnect(connection_);
    }
}

void WindowLevels::setLevel(QWidget* window, int level) {
    for (Entry& entry : entries_) {
        if (entry.window == window) {
            entry.level = level;
            scheduleCheck();
            return;
        }
    }
    entries_.push_back(Entry{window, level, nextOrder_++});
    window->installEventFilter(this);
    connect(window, &QObject::destroyed, this, [this, window] {
        entries_.erase(std::remove_if(entries_.begin(), entries_.end(),
                                      [window](const Entry& e) {
                                          return e.window.isNull() || e.window == window;
                                      }),
                       entries_.end());
    });
    if (window->isVisible()) {
        scheduleCheck();
    }
}

void WindowLevels::unregister(QWidget* window) {
    entries_.erase(std::remove_if(entries_.begin(), entries_.end(),
                                  [window](const Entry& e) { return e.window == window; }),
                   entries_.end());
    window->removeEventFilter(this);
}

std::optional<int> WindowLevels::level(const QWidget* window) const {
    for (const Entry& entry : entries_) {
        if (entry.window == window) {
            return entry.level;
        }
    }
    return std::nullopt;
}

QList<QWidget*> WindowLevels::stackingOrder() const {
    std::vector<Entry> sorted;
    for (const Entry& entry : entries_) {
        if (entry.window && entry.window->isVisible()) {
            sorted.push_back(entry);
        }
    }
    std::stable_sort(sorted.begin(), sorted.end(), [](const Entry& a, const Entry& b) {
        return a.level != b.level ? a.level < b.level : a.order < b.order;
    });
    QList<QWidget*> result;
    for (const Entry& entry : sorted) {
        result.append(entry.window.data());
    }
    return result;
}

bool WindowLevels::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show) {
        // The native window is mapped after the Show event; restack on the next turn.
        scheduleCheck();
    }
    return QObject::eventFilter(watched, event);
}

void WindowLevels::restack() {
    if (!connection_) {
        return;
    }
    lastRestack_ = Scheduler::main().now();
    std::uint32_t below = XCB_NONE;
    for (QWidget* window : stackingOrder()) {
        const auto id = static_cast<std::uint32_t>(window->winId());
        if (below == XCB_NONE) {
            const std::uint32_t values[] = {XCB_STACK_MODE_ABOVE};
            xcb_configure_window(connection_, id, XCB_CONFIG_WINDOW_STACK_MODE, values);
        } else {
            const std::uint32_t values[] = {below, XCB_STACK_MODE_ABOVE};
            xcb_configure_window(connection_, id,
                                 XCB_CONFIG_WINDOW_SIBLING | XCB_CONFIG_WINDOW_STACK_MODE, values);
        }
        below = id;
    }
    xcb_flush(connection_);
}

void WindowLevels::readEvents() {
    bool stackChanged = false;
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
        const std::uint8_t type = event->response_type & 0x7f;
        if (type == XCB_CONFIGURE_NOTIFY || type == XCB_MAP_NOTIFY ||
            type == XCB_CIRCULATE_NOTIFY) {
            stackChanged = true;
        }
        std::free(event);
    }
    if (xcb_connection_has_error(connection_)) {
        notifier_->setEnabled(false);
        return;
    }
    if (stackChanged) {
        scheduleCheck();
    }
}

void WindowLevels::scheduleCheck() {
    if (!connection_ || pendingCheck_.isPending() || stackingOrder().isEmpty()) {
        return;
    }
    Scheduler& scheduler = Scheduler::main();
    const double wait =
        lastRestack_ < 0 ? 0.0
                         : std::max(0.0, lastRestack_ + minimumRestackInterval - scheduler.now());
    pendingCheck_ = scheduler.schedule(wait, [this] { check(); });
}

bool WindowLevels::needsRestack(const std::vector<std::uint32_t>& children,
                                const std::vector<std::uint32_t>& ours,
                                const std::function<bool(std::uint32_t)>& isViewable) {
    if (ours.empty()) {
        return false;
    }
    const std::unordered_set<std::uint32_t> ourSet(ours.begin(), ours.end());
    // Our windows as they are stacked now, and the foreign ones above the lowest of them.
    std::vector<std::uint32_t> present;
    bool seenOurs = false;
    for (std::uint32_t child : children) {
        if (ourSet.count(child)) {
            present.push_back(child);
            seenOurs = true;
        } else if (seenOurs && isViewable(child)) {
            return true;
        }
    }
    std::vector<std::uint32_t> wanted;
    for (std::uint32_t id : ours) {
        if (std::find(present.begin(), present.end(), id) != present.end()) {
            wanted.push_back(id);
        }
    }
    return present != wanted;
}

void WindowLevels::check() {
    const QList<QWidget*> order = stackingOrder();
    if (!connection_ || order.isEmpty()) {
        return;
    }
    std::vector<std::uint32_t> ours;
    for (QWidget* window : order) {
        ours.push_back(static_cast<std::uint32_t>(window->winId()));
    }
    xcb_query_tree_reply_t* tree =
        xcb_query_tree_reply(connection_, xcb_query_tree(connection_, root_), nullptr);
    if (!tree) {
        return;
    }
    const xcb_window_t* kids = xcb_query_tree_children(tree);
    std::vector<std::uint32_t> children(kids, kids + xcb_query_tree_children_length(tree));
    std::free(tree);
    auto viewable = [this](std::uint32_t window) {
        xcb_get_window_attributes_reply_t* attributes = xcb_get_window_attributes_reply(
            connection_, xcb_get_window_attributes(connection_, window), nullptr);
        const bool result = attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
        std::free(attributes);
        return result;
    };
    if (needsRestack(children, ours, viewable)) {
        restack();
    }
}

}  // namespace mirelon
