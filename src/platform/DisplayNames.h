// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QObject>
#include <QPoint>
#include <QString>

#include <functional>
#include <optional>

// The names the desktop gives its monitors, where Qt's screens carry none
// (through XWayland every screen is "XWAYLANDn" without maker or model).
// Asked of GNOME's display configuration; elsewhere nothing is known and Qt's
// own names stand.
namespace mirelon::DisplayNames {

struct Monitor {
    QString connector;    // "DP-1"
    QString vendor;       // "DEL"
    QString product;      // "DELL U2720Q"
    QString displayName;  // "Dell 27\"" (what the desktop's settings show)
    QPoint position;      // top-left of its logical monitor in the desktop's layout

    // The display name, else the product, else the connector.
    QString title() const;
    friend bool operator==(const Monitor&, const Monitor&) = default;
};

// What the desktop said last; empty until it answered.
QList<Monitor> known();
void setKnown(QList<Monitor> monitors);

// The desktop's monitor of each screen (given by its top-left corner, in
// Qt's order): screens and monitors are paired in the order of their
// positions (top to bottom, then left to right), which scaling keeps; only
// when there are as many of each. None where nothing pairs.
QList<std::optional<Monitor>> match(const QList<QPoint>& screens, const QList<Monitor>& monitors);

// Asks the desktop again without waiting; answered runs on the main thread
// once known() holds its answer (never when the desktop does not answer),
// while context lives.
void refresh(QObject* context, std::function<void()> answered);

}  // namespace mirelon::DisplayNames
