// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11WindowStacking.h"

#include "platform/x11/X11Connection.h"

#include <QEvent>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QSocketNotifier>
#include <QStringList>
#include <QWindow>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <unordered_set>

Q_LOGGING_CATEGORY(lcStacking, "app.mirelon.Mirelon.stacking", QtInfoMsg)

namespace mirelon {

namespace {
constexpr double minimumRestackInterval = 0.1;

QString ids(const std::vector<std::uint32_t>& windows) {
    QStringList list;
    for (std::uint32_t id : windows) {
        list.append(QString::number(id, 16));
    }
    return list.join(u' ');
}
}  // namespace

X11WindowStacking::X11WindowStacking() {
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

X11WindowStacking::~X11WindowStacking() {
    notifier_.reset();
    if (connection_) {
        xcb_disconnect(connection_);
    }
}

void X11WindowStacking::restack() {
    if (auto stack = readStack()) {
        restack(*stack);
    }
}

void X11WindowStacking::restack(const Stack& stack) {
    if (!connection_) {
        return;
    }
    lastRestack_ = Scheduler::main().now();
    const auto configure = [this](std::uint32_t window, std::optional<std::uint32_t> sibling,
                                  std::uint32_t mode) {
        if (sibling) {
            const std::uint32_t values[] = {*sibling, mode};
            xcb_configure_window(connection_, window,
                                 XCB_CONFIG_WINDOW_SIBLING | XCB_CONFIG_WINDOW_STACK_MODE, values);
        } else {
            const std::uint32_t values[] = {mode};
            xcb_configure_window(connection_, window, XCB_CONFIG_WINDOW_STACK_MODE, values);
        }
    };
    // Under the program's own windows, over other programs' ones.
    const std::optional<Anchor> anchor = underAnchor(stack);
    std::optional<std::uint32_t> below;
    for (std::size_t i = 0; i < stack.under.size(); ++i) {
        const std::uint32_t id = stack.under[i];
        if (i > 0) {
            configure(id, below, XCB_STACK_MODE_ABOVE);
        } else if (anchor) {
            configure(id, anchor->window,
                      anchor->below ? XCB_STACK_MODE_BELOW : XCB_STACK_MODE_ABOVE);
        } else {
            configure(id, std::nullopt, XCB_STACK_MODE_BELOW);
        }
        below = id;
    }
    // Over everything.
    below.reset();
    for (std::uint32_t id : stack.over) {
        configure(id, below, XCB_STACK_MODE_ABOVE);
        below = id;
    }
    xcb_flush(connection_);
}

std::optional<std::uint32_t> X11WindowStacking::rootChildOf(std::uint32_t window) {
    for (int depth = 0; depth < 16; ++depth) {
        xcb_query_tree_reply_t* tree =
            xcb_query_tree_reply(connection_, xcb_query_tree(connection_, window), nullptr);
        if (!tree) {
            return std::nullopt;
        }
        const std::uint32_t parent = tree->parent;
        std::free(tree);
        if (parent == root_) {
            return window;
        }
        if (parent == XCB_NONE) {
            return std::nullopt;
        }
        window = parent;
    }
    return std::nullopt;
}

std::optional<X11WindowStacking::Stack> X11WindowStacking::readStack() {
    const QList<QWidget*> order = stackingOrder();
    if (!connection_ || order.isEmpty()) {
        return std::nullopt;
    }
    Stack stack;
    std::unordered_set<std::uint32_t> levelled;
    for (const Entry& entry : entries()) {
        if (entry.window && entry.window->windowHandle() &&
            entry.window->windowHandle()->handle()) {
            levelled.insert(static_cast<std::uint32_t>(entry.window->winId()));
        }
    }
    for (QWidget* window : order) {
        const auto id = static_cast<std::uint32_t>(window->winId());
        (level(window).value_or(0) < ownWindows ? stack.under : stack.over).push_back(id);
    }
    xcb_query_tree_reply_t* tree =
        xcb_query_tree_reply(connection_, xcb_query_tree(connection_, root_), nullptr);
    if (!tree) {
        return std::nullopt;
    }
    const xcb_window_t* kids = xcb_query_tree_children(tree);
    stack.children.assign(kids, kids + xcb_query_tree_children_length(tree));
    std::free(tree);

    // The program's other windows: menus and popups (children of the root)
    // and managed windows (inside the window manager's frame, which is what
    // gets stacked). Embedded windows (the tray icon) belong to their host.
    if (wmState_ == XCB_NONE) {
        xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
            connection_, xcb_intern_atom(connection_, 0, 8, "WM_STATE"), nullptr);
        if (atom) {
            wmState_ = atom->atom;
            std::free(atom);
        }
    }
    auto own = std::make_shared<std::unordered_set<std::uint32_t>>();
    for (QWindow* window : QGuiApplication::topLevelWindows()) {
        if (!window->isVisible() || !window->handle()) {
            continue;
        }
        const auto id = static_cast<std::uint32_t>(window->winId());
        if (levelled.count(id)) {
            continue;
        }
        const std::optional<std::uint32_t> top = rootChildOf(id);
        if (!top) {
            continue;
        }
        if (*top == id) {
            own->insert(id);
            continue;
        }
        xcb_get_property_reply_t* state = xcb_get_property_reply(
            connection_,
            xcb_get_property(connection_, 0, id, wmState_, XCB_GET_PROPERTY_TYPE_ANY, 0, 1),
            nullptr);
        const bool managed = state && state->type != XCB_NONE;
        std::free(state);
        if (managed) {
            own->insert(*top);
        }
    }
    stack.isOwn = [own](std::uint32_t window) { return own->count(window) > 0; };
    // Every child's map state and place, asked for all at once.
    std::vector<xcb_get_window_attributes_cookie_t> attributeCookies;
    std::vector<xcb_get_geometry_cookie_t> geometryCookies;
    for (std::uint32_t child : stack.children) {
        attributeCookies.push_back(xcb_get_window_attributes(connection_, child));
        geometryCookies.push_back(xcb_get_geometry(connection_, child));
    }
    auto viewable = std::make_shared<std::unordered_set<std::uint32_t>>();
    auto frames = std::make_shared<std::map<std::uint32_t, QRect>>();
    for (std::size_t i = 0; i < stack.children.size(); ++i) {
        xcb_get_window_attributes_reply_t* attributes =
            xcb_get_window_attributes_reply(connection_, attributeCookies[i], nullptr);
        if (attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE) {
            viewable->insert(stack.children[i]);
        }
        std::free(attributes);
        xcb_get_geometry_reply_t* geometry =
            xcb_get_geometry_reply(connection_, geometryCookies[i], nullptr);
        if (geometry) {
            const int border = geometry->border_width;
            (*frames)[stack.children[i]] =
                QRect(geometry->x, geometry->y, geometry->width + 2 * border,
                      geometry->height + 2 * border);
        }
        std::free(geometry);
    }
    stack.isViewable = [viewable](std::uint32_t window) { return viewable->count(window) > 0; };
    stack.frame = [frames](std::uint32_t window) {
        auto it = frames->find(window);
        return it == frames->end() ? QRect() : it->second;
    };
    return stack;
}

void X11WindowStacking::readEvents() {
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

void X11WindowStacking::scheduleCheck() {
    if (!connection_ || pendingCheck_.isPending() || stackingOrder().isEmpty()) {
        return;
    }
    Scheduler& scheduler = Scheduler::main();
    const double wait =
        lastRestack_ < 0 ? 0.0
                         : std::max(0.0, lastRestack_ + minimumRestackInterval - scheduler.now());
    pendingCheck_ = scheduler.schedule(wait, [this] { check(); });
}

bool X11WindowStacking::needsRestack(const std::vector<std::uint32_t>& children,
                                     const std::vector<std::uint32_t>& ours,
                                     const std::function<bool(std::uint32_t)>& isViewable) {
    return needsRestack(
        Stack{children, {}, ours, [](std::uint32_t) { return false; }, isViewable, {}});
}

std::vector<std::uint32_t> X11WindowStacking::presentOrder(const Stack& stack) {
    const std::unordered_set<std::uint32_t> ours = [&] {
        std::unordered_set<std::uint32_t> set(stack.under.begin(), stack.under.end());
        set.insert(stack.over.begin(), stack.over.end());
        return set;
    }();
    std::vector<std::uint32_t> present;
    for (std::uint32_t child : stack.children) {
        // Ours count when they are in the tree (a window just shown may not
        // be viewable yet); the rest only when they can be seen.
        if (ours.count(child) || stack.isViewable(child)) {
            present.push_back(child);
        }
    }
    return present;
}

std::optional<X11WindowStacking::Anchor> X11WindowStacking::underAnchor(const Stack& stack) {
    std::unordered_set<std::uint32_t> ours(stack.under.begin(), stack.under.end());
    ours.insert(stack.over.begin(), stack.over.end());
    const auto isForeign = [&](std::uint32_t id) {
        return !ours.count(id) && !stack.isOwn(id) && stack.isViewable(id);
    };
    // The lowest of our own windows that nothing of another program covers.
    for (std::size_t i = 0; i < stack.children.size(); ++i) {
        const std::uint32_t own = stack.children[i];
        if (ours.count(own) || !stack.isOwn(own) || !stack.isViewable(own)) {
            continue;
        }
        const QRect area = stack.frame ? stack.frame(own) : QRect();
        bool covered = false;
        for (std::size_t j = i + 1; j < stack.children.size() && !covered; ++j) {
            const std::uint32_t other = stack.children[j];
            covered = isForeign(other) &&
                      (!stack.frame || stack.frame(other).intersects(area) || area.isEmpty());
        }
        if (!covered) {
            return Anchor{own, true};
        }
    }
    std::optional<Anchor> anchor;
    for (std::uint32_t child : stack.children) {
        if (isForeign(child)) {
            anchor = Anchor{child, false};
        }
    }
    return anchor;
}

std::vector<std::uint32_t> X11WindowStacking::wantedOrder(const Stack& stack) {
    const std::vector<std::uint32_t> present = presentOrder(stack);
    const auto isPresent = [&](std::uint32_t id) {
        return std::find(present.begin(), present.end(), id) != present.end();
    };
    std::unordered_set<std::uint32_t> ours(stack.under.begin(), stack.under.end());
    ours.insert(stack.over.begin(), stack.over.end());
    const std::optional<Anchor> anchor = underAnchor(stack);
    std::vector<std::uint32_t> wanted;
    const auto addUnder = [&] {
        for (std::uint32_t id : stack.under) {
            if (isPresent(id)) {
                wanted.push_back(id);
            }
        }
    };
    if (!anchor) {
        addUnder();
    }
    for (std::uint32_t child : present) {
        if (ours.count(child)) {
            continue;
        }
        if (anchor && anchor->below && child == anchor->window) {
            addUnder();
        }
        wanted.push_back(child);
        if (anchor && !anchor->below && child == anchor->window) {
            addUnder();
        }
    }
    for (std::uint32_t id : stack.over) {
        if (isPresent(id)) {
            wanted.push_back(id);
        }
    }
    return wanted;
}

bool X11WindowStacking::needsRestack(const Stack& stack) {
    if (stack.under.empty() && stack.over.empty()) {
        return false;
    }
    return presentOrder(stack) != wantedOrder(stack);
}

bool RestackGuard::shouldRestack(const Order& present, const Order& wanted) {
    if (present == lastPresent_ && wanted == lastWanted_) {
        if (undone_ > maxUndone) {
            return false;
        }
        ++undone_;
        return undone_ <= maxUndone;
    }
    undone_ = 0;
    return true;
}

void RestackGuard::restacked(const Order& present, const Order& wanted) {
    lastPresent_ = present;
    lastWanted_ = wanted;
}

void X11WindowStacking::check() {
    auto stack = readStack();
    if (!stack || !needsRestack(*stack)) {
        return;
    }
    const std::vector<std::uint32_t> present = presentOrder(*stack);
    const std::vector<std::uint32_t> wanted = wantedOrder(*stack);
    const bool wasGivenUp = guard_.gaveUp();
    if (!guard_.shouldRestack(present, wanted)) {
        if (!wasGivenUp) {
            qCInfo(lcStacking).noquote()
                << "The window manager keeps putting its own stacking order back; leaving it:"
                << ids(present);
        }
        return;
    }
    qCDebug(lcStacking).noquote() << "restack: present" << ids(present) << "wanted" << ids(wanted);
    guard_.restacked(present, wanted);
    restack(*stack);
}

}  // namespace mirelon
