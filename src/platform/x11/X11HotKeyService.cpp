// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11HotKeyService.h"

#include "platform/xkb/XkbKeyText.h"
#include "shortcuts/Key.h"
#include "shortcuts/Modifiers.h"

#include <QDebug>
#include <QSocketNotifier>

#include <xcb/xcb.h>
// xkb.h names a field "explicit": keep the keyword out of its way.
#define explicit xcb_explicit
#include <xcb/xkb.h>
#undef explicit
#include <xkbcommon/xkbcommon-x11.h>

#include <cstdlib>

namespace mirelon {
namespace {

constexpr int kBadValue = 2;
constexpr xcb_keysym_t kNumLock = 0xff7f;
constexpr xcb_keysym_t kScrollLock = 0xff14;

struct XkbAnyEvent {
    std::uint8_t response_type;
    std::uint8_t xkbType;
    std::uint16_t sequence;
    xcb_timestamp_t time;
    std::uint8_t deviceID;
};

}  // namespace

std::shared_ptr<X11HotKeyService> X11HotKeyService::connect(const char* displayName) {
    int screen = 0;
    xcb_connection_t* connection = xcb_connect(displayName, &screen);
    if (!connection || xcb_connection_has_error(connection) ||
        screen >= xcb_setup_roots_length(xcb_get_setup(connection))) {
        if (connection) {
            xcb_disconnect(connection);
        }
        return nullptr;
    }
    return std::shared_ptr<X11HotKeyService>(new X11HotKeyService(connection, screen));
}

X11HotKeyService::X11HotKeyService(xcb_connection_t* connection, int screen)
    : connection_(connection) {
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(connection_));
    for (int i = 0; i < screen && it.rem; ++i) {
        xcb_screen_next(&it);
    }
    if (it.rem && it.data) {
        root_ = it.data->root;
    }
    setUpXkb();
    readModifierMap();
    reloadKeymap();
    notifier_ =
        new QSocketNotifier(xcb_get_file_descriptor(connection_), QSocketNotifier::Read, this);
    QObject::connect(notifier_, &QSocketNotifier::activated, this, [this] { processEvents(); });
    scheduleProcessing();
}

X11HotKeyService::~X11HotKeyService() {
    for (const auto& [id, grab] : grabs_) {
        ungrabAll(grab.keyCode, grab.masks);
    }
    xcb_flush(connection_);
    delete notifier_;
    xcb_disconnect(connection_);
}

void X11HotKeyService::setUpXkb() {
    std::uint16_t major = 0;
    std::uint16_t minor = 0;
    std::uint8_t eventBase = 0;
    std::uint8_t errorBase = 0;
    if (!xkb_x11_setup_xkb_extension(
            connection_, XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
            XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, &major, &minor, &eventBase, &errorBase)) {
        qWarning("Global hot keys: no XKB extension; held keys may repeat");
        return;
    }
    xkbAvailable_ = true;
    xkbEventBase_ = eventBase;
    xkbDeviceId_ = xkb_x11_get_core_keyboard_device_id(connection_);

    // One release at the end of a held key instead of release/press pairs.
    auto cookie = xcb_xkb_per_client_flags(connection_, XCB_XKB_ID_USE_CORE_KBD,
                                           XCB_XKB_PER_CLIENT_FLAG_DETECTABLE_AUTO_REPEAT,
                                           XCB_XKB_PER_CLIENT_FLAG_DETECTABLE_AUTO_REPEAT, 0, 0, 0);
    if (auto* reply = xcb_xkb_per_client_flags_reply(connection_, cookie, nullptr)) {
        detectableAutoRepeat_ =
            (reply->supported & XCB_XKB_PER_CLIENT_FLAG_DETECTABLE_AUTO_REPEAT) != 0;
        std::free(reply);
    }

    const std::uint16_t events = XCB_XKB_EVENT_TYPE_NEW_KEYBOARD_NOTIFY |
                                 XCB_XKB_EVENT_TYPE_MAP_NOTIFY | XCB_XKB_EVENT_TYPE_STATE_NOTIFY;
    const std::uint16_t mapParts =
        XCB_XKB_MAP_PART_KEY_TYPES | XCB_XKB_MAP_PART_KEY_SYMS | XCB_XKB_MAP_PART_MODIFIER_MAP |
        XCB_XKB_MAP_PART_EXPLICIT_COMPONENTS | XCB_XKB_MAP_PART_KEY_ACTIONS |
        XCB_XKB_MAP_PART_VIRTUAL_MODS | XCB_XKB_MAP_PART_VIRTUAL_MOD_MAP;
    xcb_xkb_select_events_details_t details{};
    details.affectNewKeyboard = XCB_XKB_NKN_DETAIL_KEYCODES;
    details.newKeyboardDetails = XCB_XKB_NKN_DETAIL_KEYCODES;
    details.affectState = XCB_XKB_STATE_PART_GROUP_STATE;
    details.stateDetails = XCB_XKB_STATE_PART_GROUP_STATE;
    xcb_xkb_select_events_aux(connection_, static_cast<xcb_xkb_device_spec_t>(xkbDeviceId_), events,
                              0, 0, mapParts, mapParts, &details);
}

void X11HotKeyService::readModifierMap() {
    numLockMask_ = 0;
    scrollLockMask_ = 0;
    const xcb_setup_t* setup = xcb_get_setup(connection_);
    auto mapCookie = xcb_get_modifier_mapping(connection_);
    auto symCookie = xcb_get_keyboard_mapping(
        connection_, setup->min_keycode,
        static_cast<std::uint8_t>(setup->max_keycode - setup->min_keycode + 1));
    auto* map = xcb_get_modifier_mapping_reply(connection_, mapCookie, nullptr);
    auto* syms = xcb_get_keyboard_mapping_reply(connection_, symCookie, nullptr);
    if (map && syms) {
        const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(map);
        const xcb_keysym_t* keysyms = xcb_get_keyboard_mapping_keysyms(syms);
        const int perKey = syms->keysyms_per_keycode;
        const int symCount = xcb_get_keyboard_mapping_keysyms_length(syms);
        for (int modifier = 0; modifier < 8; ++modifier) {
            for (int k = 0; k < map->keycodes_per_modifier; ++k) {
                const xcb_keycode_t code = codes[modifier * map->keycodes_per_modifier + k];
                if (code < setup->min_keycode) {
                    continue;
                }
                const int base = (code - setup->min_keycode) * perKey;
                for (int s = 0; s < perKey && base + s < symCount; ++s) {
                    if (keysyms[base + s] == kNumLock) {
                        numLockMask_ |= static_cast<std::uint16_t>(1u << modifier);
                    } else if (keysyms[base + s] == kScrollLock) {
                        scrollLockMask_ |= static_cast<std::uint16_t>(1u << modifier);
                    }
                }
            }
        }
    }
    std::free(map);
    std::free(syms);
}

void X11HotKeyService::reloadKeymap() {
    if (xkbAvailable_) {
        keyText_ = XkbKeyText::fromX11Device(connection_, xkbDeviceId_);
    }
}

std::vector<std::uint16_t> X11HotKeyService::lockMixes(std::uint16_t modifiers) const {
    std::vector<std::uint16_t> locks{0, XCB_MOD_MASK_LOCK};
    for (const std::uint16_t lock : {numLockMask_, scrollLockMask_}) {
        if (lock == 0 || (lock & modifiers)) {
            continue;
        }
        const std::size_t count = locks.size();
        for (std::size_t i = 0; i < count; ++i) {
            if (!(locks[i] & lock)) {
                locks.push_back(locks[i] | lock);
            }
        }
    }
    std::vector<std::uint16_t> masks;
    for (const std::uint16_t lock : locks) {
        masks.push_back(modifiers | lock);
    }
    return masks;
}

int X11HotKeyService::grabAll(std::uint8_t keyCode, const std::vector<std::uint16_t>& masks) {
    std::vector<xcb_void_cookie_t> cookies;
    cookies.reserve(masks.size());
    for (const std::uint16_t mask : masks) {
        cookies.push_back(xcb_grab_key_checked(connection_, 0, root_, mask, keyCode,
                                               XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    }
    int status = 0;
    for (const auto& cookie : cookies) {
        if (xcb_generic_error_t* error = xcb_request_check(connection_, cookie)) {
            if (status == 0) {
                status = error->error_code;
            }
            std::free(error);
        }
    }
    if (status != 0) {
        ungrabAll(keyCode, masks);  // undo the grabs that did succeed
        sync();
    }
    scheduleProcessing();
    return status;
}

void X11HotKeyService::ungrabAll(std::uint8_t keyCode, const std::vector<std::uint16_t>& masks) {
    for (const std::uint16_t mask : masks) {
        xcb_ungrab_key(connection_, keyCode, root_, mask);
    }
}

void X11HotKeyService::sync() {
    // A round trip: once it returns the server has released what was ungrabbed,
    // so another client can take the combination at once.
    std::free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
    scheduleProcessing();
}

int X11HotKeyService::registerHotKey(std::uint32_t id, std::uint32_t keyCode,
                                     std::uint32_t carbonModifiers) {
    const auto evdev = GlobalShortcuts::Key(keyCode).evdevCode();
    if (!evdev || *evdev + 8 > 255) {
        return kBadValue;
    }
    const auto x11Code = static_cast<std::uint8_t>(*evdev + 8);
    const auto masks = lockMixes(GlobalShortcuts::x11ModifierMask(carbonModifiers));
    const int status = grabAll(x11Code, masks);
    if (status == 0) {
        grabs_[id] = Grab{x11Code, masks};
    }
    return status;
}

void X11HotKeyService::unregisterHotKey(std::uint32_t id) {
    const auto it = grabs_.find(id);
    if (it == grabs_.end()) {
        return;
    }
    ungrabAll(it->second.keyCode, it->second.masks);
    sync();
    grabs_.erase(it);
}

bool X11HotKeyService::isHeldByAnotherClient(std::uint32_t keyCode, std::uint32_t carbonModifiers) {
    const auto evdev = GlobalShortcuts::Key(keyCode).evdevCode();
    if (!evdev || *evdev + 8 > 255) {
        return false;
    }
    const auto x11Code = static_cast<std::uint8_t>(*evdev + 8);
    const auto masks = lockMixes(GlobalShortcuts::x11ModifierMask(carbonModifiers));
    const int status = grabAll(x11Code, masks);
    if (status == 0) {
        ungrabAll(x11Code, masks);
        sync();
    }
    return status == XCB_ACCESS;
}

std::optional<QString> X11HotKeyService::keyText(std::int64_t keyCode) const {
    const auto evdev = GlobalShortcuts::Key(keyCode).evdevCode();
    if (!keyText_ || !evdev) {
        return std::nullopt;
    }
    return keyText_->text(static_cast<std::uint32_t>(*evdev + 8));
}

void X11HotKeyService::scheduleProcessing() {
    // Replies read while waiting may have queued events the socket will not announce again.
    if (processingPending_) {
        return;
    }
    processingPending_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            processingPending_ = false;
            processEvents();
        },
        Qt::QueuedConnection);
}

void X11HotKeyService::processEvents() {
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
        handleEvent(event);
        std::free(event);
    }
    xcb_flush(connection_);
}

void X11HotKeyService::scheduleMappingRenewal() {
    if (renewalPending_) {
        return;
    }
    renewalPending_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            renewalPending_ = false;
            readModifierMap();
            reloadKeymap();
            if (sink_.mappingChanged) {
                sink_.mappingChanged();
            }
        },
        Qt::QueuedConnection);
}

void X11HotKeyService::handleEvent(void* genericEvent) {
    auto* event = static_cast<xcb_generic_event_t*>(genericEvent);
    const std::uint8_t type = event->response_type & 0x7f;
    if (type == XCB_KEY_PRESS) {
        const auto* key = reinterpret_cast<xcb_key_press_event_t*>(event);
        if (keysDown_.count(key->detail)) {
            ++absorbedRepeats_;  // auto-repeat of a held hot key
            return;
        }
        const std::uint16_t locks = XCB_MOD_MASK_LOCK | numLockMask_ | scrollLockMask_;
        const std::uint16_t state = key->state & 0xff & ~locks;
        for (const auto& [id, grab] : grabs_) {
            if (grab.keyCode == key->detail && !grab.masks.empty() && grab.masks.front() == state) {
                keysDown_[key->detail] = id;
                if (sink_.pressed) {
                    sink_.pressed(id);
                }
                return;
            }
        }
    } else if (type == XCB_KEY_RELEASE) {
        const auto* key = reinterpret_cast<xcb_key_release_event_t*>(event);
        const auto it = keysDown_.find(key->detail);
        if (it != keysDown_.end()) {
            const std::uint32_t id = it->second;
            keysDown_.erase(it);
            if (sink_.released) {
                sink_.released(id);
            }
        }
    } else if (type == XCB_MAPPING_NOTIFY) {
        scheduleMappingRenewal();
    } else if (xkbAvailable_ && type == xkbEventBase_) {
        const auto* xkb = reinterpret_cast<XkbAnyEvent*>(event);
        if (xkb->xkbType == XCB_XKB_STATE_NOTIFY) {
            const auto* stateEvent = reinterpret_cast<xcb_xkb_state_notify_event_t*>(event);
            if (keyText_) {
                keyText_->setLayoutIndex(stateEvent->group);
            }
        } else if (xkb->xkbType == XCB_XKB_NEW_KEYBOARD_NOTIFY ||
                   xkb->xkbType == XCB_XKB_MAP_NOTIFY) {
            scheduleMappingRenewal();
        }
    }
}

}  // namespace mirelon
