#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

namespace mirelon::GlobalShortcuts {

// The system service behind the hot keys: grabs a (key code, modifiers) pair
// under an id and reports its presses and releases by that id. Key codes and
// modifiers are the shortcut model's (virtual key code, Carbon bits).
class HotKeyBackend {
public:
    struct Sink {
        std::function<void(std::uint32_t id)> pressed;
        std::function<void(std::uint32_t id)> released;
        // The keyboard mapping changed: grabs must be renewed.
        std::function<void()> mappingChanged;
    };

    virtual ~HotKeyBackend() = default;

    virtual void setSink(Sink sink) = 0;
    // 0 when the combination is grabbed under the id; otherwise the failure
    // status (the X error code, 10 for BadAccess) and nothing stays grabbed.
    virtual int registerHotKey(std::uint32_t id, std::uint32_t keyCode,
                               std::uint32_t carbonModifiers) = 0;
    virtual void unregisterHotKey(std::uint32_t id) = 0;
    // A trial grab: true when another client holds the combination.
    virtual bool isHeldByAnotherClient(std::uint32_t keyCode, std::uint32_t carbonModifiers) = 0;
    // The character the key gives on the current keyboard layout without
    // modifiers; none when there is no layout or no text.
    virtual std::optional<QString> keyText(std::int64_t keyCode) const = 0;
};

}  // namespace mirelon::GlobalShortcuts
