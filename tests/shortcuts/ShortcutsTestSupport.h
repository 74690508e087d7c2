// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/files/PreferencesFile.h"
#include "platform/qt/EventBus.h"
#include "platform/xkb/XkbKeyText.h"
#include "shortcuts/GlobalShortcuts.h"
#include "shortcuts/GlobalShortcutsTesting.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>
#include <utility>
#include <vector>

namespace mirelon::GlobalShortcuts::testing {

// A hot-key service that records grabs and lets tests press and release them.
class FakeHotKeyBackend final : public HotKeyBackend {
public:
    using Combination = std::pair<std::uint32_t, std::uint32_t>;

    void setSink(Sink s) override { sink = std::move(s); }
    int registerHotKey(std::uint32_t id, std::uint32_t keyCode, std::uint32_t modifiers) override {
        ++registerCalls;
        if (heldByOthers.count({keyCode, modifiers})) {
            return 10;
        }
        grabbed[id] = {keyCode, modifiers};
        return 0;
    }
    void unregisterHotKey(std::uint32_t id) override { grabbed.erase(id); }
    bool isHeldByAnotherClient(std::uint32_t keyCode, std::uint32_t modifiers) override {
        ++trialGrabs;
        return heldByOthers.count({keyCode, modifiers}) > 0;
    }
    std::optional<QString> keyText(std::int64_t) const override { return std::nullopt; }
    Kind kind() const override { return reportedKind; }

    std::optional<std::uint32_t> idOf(const Shortcut& s) const {
        for (const auto& [id, c] : grabbed) {
            if (c == Combination(static_cast<std::uint32_t>(s.carbonKeyCode),
                                 static_cast<std::uint32_t>(s.carbonModifiers))) {
                return id;
            }
        }
        return std::nullopt;
    }
    bool isGrabbed(const Shortcut& s) const { return idOf(s).has_value(); }
    // Presses and releases a grabbed combination; false when it is not grabbed.
    bool press(const Shortcut& s) {
        const auto id = idOf(s);
        if (id)
            sink.pressed(*id);
        return id.has_value();
    }
    bool release(const Shortcut& s) {
        const auto id = idOf(s);
        if (id)
            sink.released(*id);
        return id.has_value();
    }
    bool click(const Shortcut& s) { return press(s) && release(s); }

    Sink sink;
    std::map<std::uint32_t, Combination> grabbed;
    std::set<Combination> heldByOthers;
    int registerCalls = 0;
    int trialGrabs = 0;
    Kind reportedKind = Kind::KeyGrabs;
};

// A fresh store in a temporary folder, a fake hot-key service, the US layout
// for key texts and a clean module state.
class ShortcutsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        store = std::make_unique<PreferencesFile>(dir.filePath(QStringLiteral("defaults.json")));
        setPreferencesFile(store.get());
        backend = std::make_shared<FakeHotKeyBackend>();
        setHotKeyBackend(backend);
        static std::shared_ptr<XkbKeyText> us{XkbKeyText::fromNames("us")};
        ASSERT_TRUE(us) << "the US keyboard layout must compile";
        setKeyTextProvider([](std::int64_t code) -> std::optional<QString> {
            const auto evdev = Key(code).evdevCode();
            if (!evdev)
                return std::nullopt;
            return us->text(static_cast<std::uint32_t>(*evdev + 8));
        });
        resetStateForTesting();
        changes = EventBus::shared().addObserver(
            shortcutByNameDidChange,
            [this](const Notification& n) { changedNames.push_back(n.object.toString()); });
    }
    void TearDown() override {
        changes.reset();
        resetStateForTesting();
        setHotKeyBackend(nullptr);
        setKeyTextProvider({});
        setPreferencesFile(nullptr);
    }

    QTemporaryDir dir;
    std::unique_ptr<PreferencesFile> store;
    std::shared_ptr<FakeHotKeyBackend> backend;
    ObserverToken changes;
    std::vector<QString> changedNames;
};

inline const Shortcut kCtrlOptCmdK{
    Key::k, ModifierFlag::control | ModifierFlag::option | ModifierFlag::command};
inline const Shortcut kCtrlK{Key::k, ModifierFlag::control};
inline const Shortcut kCmdA{Key::a, ModifierFlag::command};

}  // namespace mirelon::GlobalShortcuts::testing
