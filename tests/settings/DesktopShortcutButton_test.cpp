// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/DesktopShortcutButton.h"

#include "platform/DesktopShortcuts.h"
#include "platform/PlatformLoader.h"
#include "platform/files/PreferencesFile.h"
#include "settings/KeyShortcutsSettingsView.h"
#include "shortcuts/GlobalShortcuts.h"
#include "shortcuts/GlobalShortcutsTesting.h"

#include <QLabel>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>

namespace mirelon {
namespace {

using namespace GlobalShortcuts;

// The desktop's custom shortcuts, answering when the test says so.
class FakeDesktop final : public DesktopShortcuts {
public:
    bool isAvailable() const override { return available; }
    void add(const Entry& entry, Done done) override {
        added.push_back(entry);
        pending = [this, entry, done](bool ok) {
            if (ok) {
                bindings[entry.id] = entry.accelerator;
            }
            done(ok, ok ? QString() : QStringLiteral("dconf is read-only"));
        };
    }
    void remove(const QString& id, Done done) override {
        removed << id;
        pending = [this, id, done](bool ok) {
            if (ok) {
                bindings.erase(id);
            }
            done(ok, ok ? QString() : QStringLiteral("dconf is read-only"));
        };
    }
    void find(const QString& id, Found found) override {
        const auto it = bindings.find(id);
        found(it == bindings.end() ? std::nullopt : std::optional<QString>(it->second));
    }
    void answer(bool ok = true) {
        auto p = std::move(pending);
        pending = nullptr;
        ASSERT_TRUE(p) << "nothing asked of the desktop";
        p(ok);
    }

    bool available = true;
    std::vector<Entry> added;
    QStringList removed;
    std::map<QString, QString> bindings;  // what the desktop holds now
    std::function<void(bool)> pending;
};

class DesktopShortcutOffer : public ::testing::Test {
protected:
    void SetUp() override {
        store = std::make_unique<PreferencesFile>(dir.filePath(QStringLiteral("defaults.json")));
        setPreferencesFile(store.get());
        resetStateForTesting();
        DesktopShortcuts::setShared(&desktop);
        DesktopShortcutButton::confirm = [this](QWidget*, const QString& question) {
            questions << question;
            return agree;
        };
    }
    void TearDown() override {
        DesktopShortcuts::setShared(nullptr);
        PlatformLoader::setModeForTesting(DisplayMode::X11);
        resetStateForTesting();
        setHotKeyBackend(nullptr);
        setPreferencesFile(nullptr);
    }
    static void record(const Shortcut& shortcut) { setShortcut(shortcut, Name(toggle)); }

    static inline const QString toggle = QStringLiteral("toggleMirelon");
    QTemporaryDir dir;
    std::unique_ptr<PreferencesFile> store;
    FakeDesktop desktop;
    QStringList questions;
    bool agree = true;
};

using State = DesktopShortcutButton::State;

TEST_F(DesktopShortcutOffer, AddsOnlyAfterTheUserConfirms) {
    DesktopShortcutButton button(toggle, QStringLiteral("Toggle Mirelon"),
                                 QStringLiteral("mirelon --action toggleMirelon"));
    EXPECT_EQ(button.state(), State::absent);
    EXPECT_FALSE(button.isEnabled()) << "nothing recorded yet";

    record(Shortcut(Key::m, ModifierFlag::control | ModifierFlag::option));
    EXPECT_TRUE(button.isEnabled());
    agree = false;
    button.click();
    ASSERT_EQ(questions.size(), 1);
    EXPECT_TRUE(questions[0].contains(QStringLiteral("mirelon --action toggleMirelon")));
    EXPECT_TRUE(desktop.added.empty()) << "declined: nothing written";

    agree = true;
    button.click();
    ASSERT_EQ(desktop.added.size(), 1u);
    EXPECT_EQ(desktop.added[0].id, toggle);
    EXPECT_EQ(desktop.added[0].command, QStringLiteral("mirelon --action toggleMirelon"));
    EXPECT_EQ(desktop.added[0].accelerator, QStringLiteral("<Control><Alt>m"));
    EXPECT_TRUE(desktop.added[0].title.contains(QStringLiteral("Toggle Mirelon")));
    EXPECT_EQ(button.state(), State::busy);
    EXPECT_FALSE(button.isEnabled());
    desktop.answer();
    EXPECT_EQ(button.state(), State::present);
    EXPECT_EQ(button.desktopAccelerator(), QStringLiteral("<Control><Alt>m"));
    EXPECT_EQ(button.text(), QStringLiteral("Remove from GNOME"));
}

TEST_F(DesktopShortcutOffer, TheDesktopsEntryFollowsTheRowAndGoesWhenItIsCleared) {
    record(Shortcut(Key::m, ModifierFlag::control | ModifierFlag::option));
    desktop.bindings[toggle] = QStringLiteral("<Control><Alt>m");  // added in an earlier run
    DesktopShortcutButton button(toggle, QStringLiteral("Toggle Mirelon"),
                                 QStringLiteral("mirelon --action toggleMirelon"));
    EXPECT_EQ(button.state(), State::present);

    // Other preferences change: the desktop is left alone.
    store->setValue(QStringLiteral("hoverOpacity"), 0.5);
    EXPECT_TRUE(desktop.added.empty());

    record(Shortcut(Key::f9, ModifierFlag::command));
    ASSERT_EQ(desktop.added.size(), 1u);
    EXPECT_EQ(desktop.added[0].accelerator, QStringLiteral("<Super>F9"));
    desktop.answer();
    EXPECT_EQ(desktop.bindings[toggle], QStringLiteral("<Super>F9"));

    setShortcut(std::nullopt, Name(toggle));
    EXPECT_EQ(desktop.removed, QStringList{toggle});
    desktop.answer();
    EXPECT_EQ(button.state(), State::absent);
    EXPECT_TRUE(desktop.bindings.empty());
    EXPECT_FALSE(button.isEnabled());
    EXPECT_EQ(questions.size(), 0) << "following the row asks nothing";
}

TEST_F(DesktopShortcutOffer, AChangeWhileTheDesktopIsBusyIsFollowedAfterwards) {
    record(Shortcut(Key::m, ModifierFlag::control | ModifierFlag::option));
    DesktopShortcutButton button(toggle, QStringLiteral("Toggle Mirelon"),
                                 QStringLiteral("mirelon --action toggleMirelon"));
    button.click();
    record(Shortcut(Key::k, ModifierFlag::control | ModifierFlag::option));
    EXPECT_EQ(desktop.added.size(), 1u);
    desktop.answer();
    ASSERT_EQ(desktop.added.size(), 2u);
    EXPECT_EQ(desktop.added[1].accelerator, QStringLiteral("<Control><Alt>k"));
    desktop.answer();
    EXPECT_EQ(desktop.bindings[toggle], QStringLiteral("<Control><Alt>k"));
}

TEST_F(DesktopShortcutOffer, AFailureIsReportedAndNotRetriedInALoop) {
    record(Shortcut(Key::m, ModifierFlag::control | ModifierFlag::option));
    DesktopShortcutButton button(toggle, QStringLiteral("Toggle Mirelon"),
                                 QStringLiteral("mirelon --action toggleMirelon"));
    QStringList errors;
    QObject::connect(&button, &DesktopShortcutButton::changed,
                     [&](bool ok, const QString& error) { errors << (ok ? "ok" : error); });
    button.click();
    desktop.answer(false);
    EXPECT_EQ(errors, QStringList{"dconf is read-only"});
    EXPECT_EQ(button.state(), State::absent);
    EXPECT_FALSE(desktop.pending);
    EXPECT_TRUE(button.isEnabled());
}

TEST_F(DesktopShortcutOffer, TheKeyShortcutsTabOffersItThroughXWaylandUnderGnome) {
    PlatformLoader::setModeForTesting(DisplayMode::XWayland);
    resetStateForTesting();
    {
        KeyShortcutsSettingsView view;
        EXPECT_EQ(view.desktopButtons().size(), view.recorders().size());
        ASSERT_NE(view.commandNote(), nullptr);
        EXPECT_TRUE(view.commandNote()->text().contains(QStringLiteral("Add to GNOME")));
    }
    desktop.available = false;  // another desktop
    {
        KeyShortcutsSettingsView view;
        EXPECT_TRUE(view.desktopButtons().isEmpty());
        EXPECT_FALSE(view.copyButtons().isEmpty());
    }
    // On X11 the recorded shortcuts work everywhere: nothing to offer.
    desktop.available = true;
    PlatformLoader::setModeForTesting(DisplayMode::X11);
    resetStateForTesting();
    KeyShortcutsSettingsView view;
    EXPECT_TRUE(view.desktopButtons().isEmpty());
}

}  // namespace
}  // namespace mirelon
