// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/ColorCodec.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace mirelon {
namespace {

int toByte(double component) {
    if (!std::isfinite(component)) {
        component = 0.0;
    }
    return static_cast<int>(std::clamp(component, 0.0, 1.0) * 255.0);
}

int hexDigit(QChar c) {
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9') {
        return u - '0';
    }
    if (u >= 'a' && u <= 'f') {
        return u - 'a' + 10;
    }
    if (u >= 'A' && u <= 'F') {
        return u - 'A' + 10;
    }
    return -1;
}

// Reads a hexadecimal number the way a standard scanner does: skips leading
// white space, accepts a 0x/0X prefix, stops at the first non-digit.
std::optional<std::uint64_t> scanHex(const QString& s) {
    qsizetype i = 0;
    while (i < s.size() && s.at(i).isSpace()) {
        ++i;
    }
    qsizetype start = i;
    if (i + 1 < s.size() && s.at(i) == u'0' && (s.at(i + 1) == u'x' || s.at(i + 1) == u'X') &&
        i + 2 < s.size() && hexDigit(s.at(i + 2)) >= 0) {
        start = i + 2;
    }
    std::uint64_t value = 0;
    qsizetype j = start;
    for (; j < s.size(); ++j) {
        const int d = hexDigit(s.at(j));
        if (d < 0) {
            break;
        }
        value = (value << 4) | static_cast<std::uint64_t>(d);
    }
    if (j == start) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

QString toRGBAString(const std::vector<double>& components) {
    if (components.size() < 3) {
        return QStringLiteral("#FFFFFFFF");
    }
    const int r = toByte(components[0]);
    const int g = toByte(components[1]);
    const int b = toByte(components[2]);
    const int a = components.size() == 3 ? 255 : toByte(components[3]);
    return QString::asprintf("#%02X%02X%02X%02X", r, g, b, a);
}

QString toRGBAString(const QColor& color) {
    if (!color.isValid()) {
        return QStringLiteral("#FFFFFFFF");
    }
    if (color.spec() != QColor::ExtendedRgb) {
        // 8-bit colours keep their exact bytes.
        const QColor rgb = color.toRgb();
        return QString::asprintf("#%02X%02X%02X%02X", rgb.red(), rgb.green(), rgb.blue(),
                                 rgb.alpha());
    }
    const QColor rgb = color;
    return toRGBAString(std::vector<double>{rgb.redF(), rgb.greenF(), rgb.blueF(), rgb.alphaF()});
}

std::optional<QColor> colorFromHexString(const QString& string) {
    QString hex = string;
    if (hex.startsWith(u'#')) {
        hex.remove(0, 1);
    }
    if (hex.size() == 6) {
        hex += QStringLiteral("FF");
    }
    if (hex.size() != 8) {
        return std::nullopt;
    }
    const auto number = scanHex(hex);
    if (!number) {
        return std::nullopt;
    }
    const auto v = static_cast<std::uint32_t>(*number & 0xFFFFFFFFu);
    return QColor(static_cast<int>((v >> 24) & 255), static_cast<int>((v >> 16) & 255),
                  static_cast<int>((v >> 8) & 255), static_cast<int>(v & 255));
}

QColor storedColor(const QString& string) {
    if (string.size() >= 8) {
        if (auto c = colorFromHexString(string)) {
            return *c;
        }
    }
    return QColor(255, 255, 255, 255);
}

}  // namespace mirelon
