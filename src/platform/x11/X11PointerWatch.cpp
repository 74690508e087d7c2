// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11PointerWatch.h"

#include <QCursor>
#include <QGuiApplication>
#include <QSocketNotifier>

#include <xcb/xcb.h>
#include <xcb/xinput.h>

#include <algorithm>
#include <cstdlib>

namespace mirelon {

namespace {
constexpr std::uint32_t keysymSuperL = 0xffeb;
constexpr std::uint32_t keysymSuperR = 0xffec;
constexpr double minimumQueryInterval = 1.0 / 60.0;

template <typename T>
struct FreeDeleter {
    void operator()(T* p) const { std::free(p); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeDeleter<T>>;
}  // namespace

std::unique_ptr<X11PointerWatch> X11PointerWatch::create() {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        return nullptr;
    }
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    if (!connection || xcb_connection_has_error(connection)) {
        if (connection) {
            xcb_disconnect(connection);
        }
        return nullptr;
    }
    const xcb_query_extension_reply_t* ext = xcb_get_extension_data(connection, &xcb_input_id);
    if (!ext || !ext->present) {
        xcb_disconnect(connection);
        return nullptr;
    }
    Reply<xcb_input_xi_query_version_reply_t> version(xcb_input_xi_query_version_reply(
        connection, xcb_input_xi_query_version(connection, 2, 1), nullptr));
    if (!version || version->major_version < 2 ||
        (version->major_version == 2 && version->minor_version < 1)) {
        xcb_disconnect(connection);
        return nullptr;
    }
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    return std::unique_ptr<X11PointerWatch>(
        new X11PointerWatch(connection, screen->root, ext->major_opcode));
}

X11PointerWatch::X11PointerWatch(xcb_connection_t* connection, std::uint32_t root,
                                 std::uint8_t xinputOpcode)
    : connection_(connection), root_(root), xinputOpcode_(xinputOpcode) {
    loadKeyMapping();
    seedCommandState();
    selectEvents();
    notifier_ = std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(connection_),
                                                  QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { readEvents(); });
    // Events that arrived during the set-up round trips are already buffered.
    QMetaObject::invokeMethod(
        this, [this] { readEvents(); }, Qt::QueuedConnection);
}

X11PointerWatch::~X11PointerWatch() {
    notifier_.reset();
    xcb_disconnect(connection_);
}

void X11PointerWatch::selectEvents() {
    struct {
        xcb_input_event_mask_t head;
        std::uint32_t mask;
    } selection{};
    selection.head.deviceid = XCB_INPUT_DEVICE_ALL_MASTER;
    selection.head.mask_len = 1;
    selection.mask =
        XCB_INPUT_XI_EVENT_MASK_RAW_KEY_PRESS | XCB_INPUT_XI_EVENT_MASK_RAW_KEY_RELEASE;
    if (motionInterestCount() > 0) {
        selection.mask |= XCB_INPUT_XI_EVENT_MASK_RAW_MOTION;
    }
    xcb_input_xi_select_events(connection_, root_, 1, &selection.head);
    xcb_flush(connection_);
}

void X11PointerWatch::loadKeyMapping() {
    isSuperKey_.fill(false);
    isModifierKey_.fill(false);
    const xcb_setup_t* setup = xcb_get_setup(connection_);
    const int first = setup->min_keycode;
    const int count = setup->max_keycode - setup->min_keycode + 1;
    Reply<xcb_get_keyboard_mapping_reply_t> mapping(xcb_get_keyboard_mapping_reply(
        connection_, xcb_get_keyboard_mapping(connection_, setup->min_keycode, count), nullptr));
    if (mapping && mapping->keysyms_per_keycode > 0) {
        const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(mapping.get());
        const int perCode = mapping->keysyms_per_keycode;
        const int total = xcb_get_keyboard_mapping_keysyms_length(mapping.get());
        for (int i = 0; i < count && (i + 1) * perCode <= total; ++i) {
            for (int j = 0; j < perCode; ++j) {
                const xcb_keysym_t sym = syms[i * perCode + j];
                if (sym == keysymSuperL || sym == keysymSuperR) {
                    isSuperKey_[static_cast<std::size_t>(first + i)] = true;
                    isModifierKey_[static_cast<std::size_t>(first + i)] = true;
                }
            }
        }
    }
    Reply<xcb_get_modifier_mapping_reply_t> modifiers(xcb_get_modifier_mapping_reply(
        connection_, xcb_get_modifier_mapping(connection_), nullptr));
    if (modifiers) {
        const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(modifiers.get());
        const int n = xcb_get_modifier_mapping_keycodes_length(modifiers.get());
        for (int i = 0; i < n; ++i) {
            if (codes[i] != 0) {
                isModifierKey_[codes[i]] = true;
            }
        }
    }
}

void X11PointerWatch::seedCommandState() {
    superKeyDown_.fill(false);
    Reply<xcb_query_keymap_reply_t> keymap(
        xcb_query_keymap_reply(connection_, xcb_query_keymap(connection_), nullptr));
    if (keymap) {
        for (std::size_t code = 0; code < 256; ++code) {
            if (isSuperKey_[code] && (keymap->keys[code / 8] & (1u << (code % 8)))) {
                superKeyDown_[code] = true;
            }
        }
    }
    setInitialCommandState(
        std::any_of(superKeyDown_.begin(), superKeyDown_.end(), [](bool down) { return down; }));
}

void X11PointerWatch::motionInterestChanged(bool wanted) {
    selectEvents();
    if (wanted) {
        schedulePositionQuery();
    } else {
        positionQuery_.cancel();
    }
}

void X11PointerWatch::readEvents() {
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
        handle(event);
        std::free(event);
    }
    if (xcb_connection_has_error(connection_)) {
        notifier_->setEnabled(false);
    }
}

void X11PointerWatch::handle(void* rawEvent) {
    auto* event = static_cast<xcb_generic_event_t*>(rawEvent);
    const std::uint8_t type = event->response_type & 0x7f;
    if (type == XCB_MAPPING_NOTIFY) {
        loadKeyMapping();
        return;
    }
    if (type != XCB_GE_GENERIC) {
        return;
    }
    auto* generic = reinterpret_cast<xcb_ge_generic_event_t*>(event);
    if (generic->extension != xinputOpcode_) {
        return;
    }
    switch (generic->event_type) {
        case XCB_INPUT_RAW_KEY_PRESS:
            handleKey(static_cast<std::uint8_t>(
                          reinterpret_cast<xcb_input_raw_key_press_event_t*>(event)->detail),
                      true);
            break;
        case XCB_INPUT_RAW_KEY_RELEASE:
            handleKey(static_cast<std::uint8_t>(
                          reinterpret_cast<xcb_input_raw_key_release_event_t*>(event)->detail),
                      false);
            break;
        case XCB_INPUT_RAW_MOTION:
            if (motionInterestCount() > 0) {
                schedulePositionQuery();
            }
            break;
        default:
            break;
    }
}

void X11PointerWatch::handleKey(std::uint8_t keycode, bool pressed) {
    if (!isModifierKey_[keycode]) {
        return;
    }
    if (isSuperKey_[keycode]) {
        superKeyDown_[keycode] = pressed;
    }
    reportModifierEvent(
        std::any_of(superKeyDown_.begin(), superKeyDown_.end(), [](bool down) { return down; }));
}

void X11PointerWatch::schedulePositionQuery() {
    if (positionQuery_.isPending()) {
        return;
    }
    Scheduler& scheduler = Scheduler::main();
    const double wait =
        lastPositionQuery_ < 0
            ? 0.0
            : std::max(0.0, lastPositionQuery_ + minimumQueryInterval - scheduler.now());
    positionQuery_ = scheduler.schedule(wait, [this] {
        lastPositionQuery_ = Scheduler::main().now();
        reportPointer(QCursor::pos());
    });
}

}  // namespace mirelon
