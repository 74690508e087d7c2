// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <cstdint>
#include <memory>
#include <optional>

struct xkb_context;
struct xkb_keymap;
struct xcb_connection_t;

namespace mirelon {

// The character a key gives on a keyboard layout without modifiers (level 1
// of the layout's group), from an XKB keymap.
class XkbKeyText {
public:
    ~XkbKeyText();
    XkbKeyText(const XkbKeyText&) = delete;
    XkbKeyText& operator=(const XkbKeyText&) = delete;

    // A keymap compiled from rule names (layout "us", "de", ...; evdev key
    // codes). No layout: the system's default (XKB_DEFAULT_LAYOUT, else "us").
    static std::unique_ptr<XkbKeyText> fromNames(const char* layout = nullptr,
                                                 const char* variant = nullptr);
    // The keymap and current group of an X server's core keyboard.
    static std::unique_ptr<XkbKeyText> fromX11Device(xcb_connection_t* connection,
                                                     std::int32_t deviceId);

    // The layout (group) whose characters are reported.
    void setLayoutIndex(std::uint32_t index) { layout_ = index; }
    std::uint32_t layoutIndex() const { return layout_; }

    // Text of an X11 key code; none when the key has no symbol or the symbol
    // is not a printable character.
    std::optional<QString> text(std::uint32_t x11KeyCode) const;

private:
    XkbKeyText(xkb_context* context, xkb_keymap* keymap, std::uint32_t layout);
    xkb_context* context_;
    xkb_keymap* keymap_;
    std::uint32_t layout_;
};

}  // namespace mirelon
