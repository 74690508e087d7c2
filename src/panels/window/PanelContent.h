// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRegion>

#include <functional>

class QWidget;

namespace mirelon {

// What a camera panel hosts. The panel sizes itself by the widget's natural
// size (its size hint) and clips itself to opaqueRegion() when no compositor
// can blend its transparent parts.
class PanelContent {
public:
    virtual ~PanelContent() = default;

    virtual QWidget* widget() = 0;

    // The part of the widget that is drawn opaquely, in widget coordinates.
    // By default: the pixels whose alpha is (almost) full in a rendering of
    // the widget, which leaves soft shadows outside.
    virtual QRegion opaqueRegion();

    // The panel is told at once (in the same turn) when the natural size or
    // the drawn outline changes, so that it takes its new size, its place and
    // its shape together. Contents that never call it are followed through
    // their layout requests instead.
    virtual void setChangeHandler(std::function<void()> handler) { (void)handler; }
};

}  // namespace mirelon
