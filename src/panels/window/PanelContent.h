#pragma once

#include <QRegion>

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
};

}  // namespace mirelon
