// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QString>

#include <optional>
#include <vector>

namespace mirelon {

// The stored form of a colour: "#RRGGBBAA".
//
// Components are taken as given (red, green, blue and optional alpha, 0...1),
// multiplied by 255 and truncated toward zero. Fewer than three components
// give "#FFFFFFFF". Components outside 0...1 are clamped first, so the result
// is always nine characters and reads back.
QString toRGBAString(const std::vector<double>& components);
QString toRGBAString(const QColor& color);

// "#RRGGBBAA", "RRGGBBAA", "#RRGGBB" or "RRGGBB" (opaque); none otherwise.
std::optional<QColor> colorFromHexString(const QString& string);

// How stored colour strings become colours in the settings and the caption:
// strings of 8 or more characters go through colorFromHexString; shorter or
// unreadable ones give opaque white.
QColor storedColor(const QString& string);

}  // namespace mirelon
