// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/DisplayNames.h"

#include <algorithm>
#include <numeric>
#include <vector>

namespace mirelon::DisplayNames {

namespace {
QList<Monitor>& store() {
    static QList<Monitor> monitors;
    return monitors;
}

bool before(const QPoint& a, const QPoint& b) {
    return a.y() != b.y() ? a.y() < b.y() : a.x() < b.x();
}
}  // namespace

QString Monitor::title() const {
    for (const QString* text : {&displayName, &product, &connector}) {
        if (!text->trimmed().isEmpty()) {
            return text->trimmed();
        }
    }
    return QString();
}

QList<Monitor> known() {
    return store();
}

void setKnown(QList<Monitor> monitors) {
    store() = std::move(monitors);
}

QList<std::optional<Monitor>> match(const QList<QPoint>& screens, const QList<Monitor>& monitors) {
    QList<std::optional<Monitor>> out(screens.size());
    if (screens.isEmpty() || screens.size() != monitors.size()) {
        return out;
    }
    std::vector<qsizetype> screenOrder(static_cast<size_t>(screens.size()));
    std::iota(screenOrder.begin(), screenOrder.end(), 0);
    std::stable_sort(screenOrder.begin(), screenOrder.end(),
                     [&](qsizetype a, qsizetype b) { return before(screens[a], screens[b]); });
    QList<Monitor> sorted = monitors;
    std::stable_sort(sorted.begin(), sorted.end(), [](const Monitor& a, const Monitor& b) {
        return before(a.position, b.position);
    });
    for (size_t i = 0; i < screenOrder.size(); ++i) {
        out[screenOrder[i]] = sorted[static_cast<qsizetype>(i)];
    }
    return out;
}

}  // namespace mirelon::DisplayNames
