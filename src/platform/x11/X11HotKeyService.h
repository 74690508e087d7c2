// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shortcuts/HotKeyBackend.h"

#include <QObject>

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

struct xcb_connection_t;
class QSocketNotifier;

namespace mirelon {

class XkbKeyText;

// Global hot keys on X11, on an xcb connection of its own (read through a
// QSocketNotifier) so that its XKB settings never touch Qt's key handling.
//
// A hot key is a passive grab on the root window of the combination's key code
// (evdev + 8) and modifiers, repeated for every mix of CapsLock, NumLock and
// ScrollLock (their bits read from the modifier map). Every grab is checked; a
// refused one (BadAccess: another client holds it) undoes the others. Detectable
// auto-repeat is on, so a held combination gives one press and one release; the
// release is the release of the grabbed key whatever modifiers are still held.
// Keyboard mapping changes are reported so the grabs can be renewed.
class X11HotKeyService final : public QObject, public GlobalShortcuts::HotKeyBackend {
    Q_OBJECT
public:
    // Connects to $DISPLAY (or the given display); none when that fails.
    static std::shared_ptr<X11HotKeyService> connect(const char* displayName = nullptr);
    ~X11HotKeyService() override;

    void setSink(Sink sink) override { sink_ = std::move(sink); }
    int registerHotKey(std::uint32_t id, std::uint32_t keyCode,
                       std::uint32_t carbonModifiers) override;
    void unregisterHotKey(std::uint32_t id) override;
    bool isHeldByAnotherClient(std::uint32_t keyCode, std::uint32_t carbonModifiers) override;
    std::optional<QString> keyText(std::int64_t keyCode) const override;

    bool hasDetectableAutoRepeat() const { return detectableAutoRepeat_; }
    // Presses of a held hot key that auto-repeat produced and that were absorbed.
    int absorbedRepeatCount() const { return absorbedRepeats_; }
    // Reads and handles everything the server has sent.
    void processEvents();

private:
    X11HotKeyService(xcb_connection_t* connection, int screen);
    struct Grab {
        std::uint8_t keyCode;
        std::vector<std::uint16_t> masks;  // every mask grabbed, lock mixes included
    };

    void setUpXkb();
    void readModifierMap();
    void reloadKeymap();
    std::vector<std::uint16_t> lockMixes(std::uint16_t modifiers) const;
    // 0 or the first X error code; on failure nothing stays grabbed.
    int grabAll(std::uint8_t keyCode, const std::vector<std::uint16_t>& masks);
    void ungrabAll(std::uint8_t keyCode, const std::vector<std::uint16_t>& masks);
    void sync();
    void handleEvent(void* event);  // an xcb_generic_event_t
    void scheduleMappingRenewal();
    void scheduleProcessing();

    xcb_connection_t* connection_;
    std::uint32_t root_ = 0;
    QSocketNotifier* notifier_ = nullptr;
    Sink sink_;
    std::map<std::uint32_t, Grab> grabs_;
    std::map<std::uint8_t, std::uint32_t> keysDown_;  // key code -> id of the pressed hot key
    std::uint16_t numLockMask_ = 0;
    std::uint16_t scrollLockMask_ = 0;
    bool xkbAvailable_ = false;
    std::uint8_t xkbEventBase_ = 0;
    std::int32_t xkbDeviceId_ = -1;
    bool detectableAutoRepeat_ = false;
    bool renewalPending_ = false;
    bool processingPending_ = false;
    int absorbedRepeats_ = 0;
    std::unique_ptr<XkbKeyText> keyText_;
};

}  // namespace mirelon
