// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFrame>

class QVBoxLayout;

namespace mirelon {

// A light popup anchored to the button that opened it; a click outside or
// Escape closes it.
class InfoPopover : public QFrame {
    Q_OBJECT
public:
    enum class Edge { below, above };

    explicit InfoPopover(QWidget* parent = nullptr);

    QVBoxLayout* contentLayout() const { return layout_; }
    // Shows the popup next to the anchor's bounds: below it, or above it with
    // its arrow side on the bottom edge.
    void showAt(QWidget* anchor, Edge edge = Edge::below);

private:
    QVBoxLayout* layout_ = nullptr;
};

}  // namespace mirelon
