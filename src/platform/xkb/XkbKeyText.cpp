// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/xkb/XkbKeyText.h"

#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>

namespace mirelon {

XkbKeyText::XkbKeyText(xkb_context* context, xkb_keymap* keymap, std::uint32_t layout)
    : context_(context), keymap_(keymap), layout_(layout) {}

XkbKeyText::~XkbKeyText() {
    xkb_keymap_unref(keymap_);
    xkb_context_unref(context_);
}

std::unique_ptr<XkbKeyText> XkbKeyText::fromNames(const char* layout, const char* variant) {
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    if (!context) {
        return nullptr;
    }
    const xkb_rule_names names{nullptr, nullptr, layout, variant, nullptr};
    xkb_keymap* keymap = xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (!keymap) {
        xkb_context_unref(context);
        return nullptr;
    }
    return std::unique_ptr<XkbKeyText>(new XkbKeyText(context, keymap, 0));
}

std::unique_ptr<XkbKeyText> XkbKeyText::fromX11Device(xcb_connection_t* connection,
                                                      std::int32_t deviceId) {
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    if (!context) {
        return nullptr;
    }
    xkb_keymap* keymap =
        xkb_x11_keymap_new_from_device(context, connection, deviceId, XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (!keymap) {
        xkb_context_unref(context);
        return nullptr;
    }
    std::uint32_t layout = 0;
    if (xkb_state* state = xkb_x11_state_new_from_device(keymap, connection, deviceId)) {
        layout = xkb_state_serialize_layout(state, XKB_STATE_LAYOUT_EFFECTIVE);
        xkb_state_unref(state);
    }
    return std::unique_ptr<XkbKeyText>(new XkbKeyText(context, keymap, layout));
}

std::optional<QString> XkbKeyText::text(std::uint32_t x11KeyCode) const {
    if (x11KeyCode < xkb_keymap_min_keycode(keymap_) ||
        x11KeyCode > xkb_keymap_max_keycode(keymap_)) {
        return std::nullopt;
    }
    const xkb_layout_index_t layouts = xkb_keymap_num_layouts_for_key(keymap_, x11KeyCode);
    if (layouts == 0) {
        return std::nullopt;
    }
    const xkb_layout_index_t layout = layout_ < layouts ? layout_ : 0;
    const xkb_keysym_t* syms = nullptr;
    const int count = xkb_keymap_key_get_syms_by_level(keymap_, x11KeyCode, layout, 0, &syms);
    if (count < 1) {
        return std::nullopt;
    }
    char buffer[16] = {};
    if (xkb_keysym_to_utf8(syms[0], buffer, sizeof buffer) <= 0) {
        return std::nullopt;
    }
    const QString text = QString::fromUtf8(buffer);
    if (text.isEmpty() || text.at(0).category() == QChar::Other_Control) {
        return std::nullopt;
    }
    return text;
}

}  // namespace mirelon
