// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

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
        // The triggers the desktop reports for the names changed (boundTrigger).
        std::function<void()> triggersChanged;

        // A sink for a service whose reports another one passes on: presses
        // and releases go to `target` as it is when they come; the rest is empty.
        static Sink passingPressesTo(const Sink& target) {
            Sink sink;
            sink.pressed = [&target](std::uint32_t id) {
                if (target.pressed) {
                    target.pressed(id);
                }
            };
            sink.released = [&target](std::uint32_t id) {
                if (target.released) {
                    target.released(id);
                }
            };
            return sink;
        }
    };

    enum class Kind {
        KeyGrabs,     // the program grabs the combinations itself
        Portal,       // the desktop binds them by name and reports presses
        Unavailable,  // nothing can be registered
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

    virtual Kind kind() const { return Kind::KeyGrabs; }
    // The trigger the desktop reports for a shortcut name, as it shows it
    // (the user may have changed it in the system settings); none when the
    // service binds no names or reported nothing.
    virtual std::optional<QString> boundTrigger(const QString& name) const {
        Q_UNUSED(name);
        return std::nullopt;
    }
};

// Where no service can be had: nothing is registered and keys have no text
// (a service that can name keys overrides keyText).
class UnavailableHotKeyBackend : public HotKeyBackend {
public:
    void setSink(Sink) override {}
    int registerHotKey(std::uint32_t, std::uint32_t, std::uint32_t) override { return -1; }
    void unregisterHotKey(std::uint32_t) override {}
    bool isHeldByAnotherClient(std::uint32_t, std::uint32_t) override { return false; }
    Kind kind() const override { return Kind::Unavailable; }
    std::optional<QString> keyText(std::int64_t) const override { return std::nullopt; }
};

// A shortcut name as services that bind by name (the desktop's portal) take
// it: the name, what it does, and the stored combination as the preferred trigger.
struct NamedBinding {
    QString name;
    QString description;
    std::uint32_t keyCode = 0;
    std::uint32_t modifiers = 0;
    friend bool operator==(const NamedBinding&, const NamedBinding&) = default;
};
// The names to bind, read whenever the hot keys change.
using NamedBindingSource = std::function<std::vector<NamedBinding>()>;

}  // namespace mirelon::GlobalShortcuts
