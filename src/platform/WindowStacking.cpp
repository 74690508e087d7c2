// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/WindowStacking.h"

#include <QEvent>

#include <algorithm>

namespace mirelon {

namespace {
std::function<WindowStacking*()>& factory() {
    static std::function<WindowStacking*()> f;
    return f;
}
}  // namespace

WindowStacking& WindowStacking::shared() {
    // Lives for the process.
    static WindowStacking* stacking = factory() ? factory()() : new WindowStacking();
    return *stacking;
}

void WindowStacking::setFactory(std::function<WindowStacking*()> make) {
    factory() = std::move(make);
}

void WindowStacking::setLevel(QWidget* window, int level) {
    for (Entry& entry : entries_) {
        if (entry.window == window) {
            entry.level = level;
            stackMayHaveChanged();
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
        stackMayHaveChanged();
    }
}

void WindowStacking::unregister(QWidget* window) {
    entries_.erase(std::remove_if(entries_.begin(), entries_.end(),
                                  [window](const Entry& e) { return e.window == window; }),
                   entries_.end());
    window->removeEventFilter(this);
}

std::optional<int> WindowStacking::level(const QWidget* window) const {
    for (const Entry& entry : entries_) {
        if (entry.window == window) {
            return entry.level;
        }
    }
    return std::nullopt;
}

QList<QWidget*> WindowStacking::stackingOrder() const {
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

bool WindowStacking::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show) {
        // The native window is mapped after the Show event; restack on the next turn.
        stackMayHaveChanged();
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace mirelon
