// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AppShell.h"
#include "app/AppFakes.h"
#include "app/TrayMenu.h"
#include "config/CameraDeviceSettingsStore.h"
#include "config/Preferences.h"
#include "platform/qt/ManualScheduler.h"
#include "support/TempConfig.h"

#include <QMenu>

#include <gtest/gtest.h>

#include <memory>

namespace mirelon {
namespace {

using namespace mirelon::testing;

class AppShellTest : public ::testing::Test {
protected:
    ScopedManualScheduler scheduler;
    TempDefaults t;
    QList<AvailableCameraDevice> devices = {
        {QStringLiteral("cam-a"), QStringLiteral("Cam A"), true},
        {QStringLiteral("cam-b"), QStringLiteral("Cam B"), false}};
    std::unique_ptr<CameraDeviceSettingsStore> store;
    FakePanels panels;
    FakeRingLight ringLight;
    FakeRecords records;
    FakeShortcuts shortcuts;
    std::unique_ptr<AppShell> shell;

    void launch() {
        store = std::make_unique<CameraDeviceSettingsStore>(
            *t.defaults, [this] { return devices; }, t.center);
        shell = std::make_unique<AppShell>(AppShell::Services{
            *t.defaults, *store, panels, ringLight, records, shortcuts, t.center});
    }
    Preferences prefs() { return Preferences(*t.defaults); }
    CameraAppearanceSettings appearance(const QString& id) {
        return store->configuration(id)->appearance;
    }
};

TEST_F(AppShellTest, LaunchStartsHiddenBindsShortcutsAndRefreshesTheRingLightTwice) {
    t.defaults->setBool(PreferenceKeys::isMirelonOn, true);
    launch();
    EXPECT_FALSE(prefs().isMirelonOn());
    EXPECT_EQ(t.defaults->boolValue(PreferenceKeys::isMirelonOn), std::optional<bool>(false));
    EXPECT_TRUE(panels.calls.isEmpty());
    EXPECT_EQ(ringLight.refreshes, 1);
    scheduler.scheduler.runPending();
    EXPECT_EQ(ringLight.refreshes, 2);
    scheduler.scheduler.advance(10);
    EXPECT_EQ(ringLight.refreshes, 2);

    EXPECT_EQ(shortcuts.log,
              (QStringList{QStringLiteral("removeAll"),
                           QStringLiteral("disable ") + ShortcutNames::all().join(u',')}));
    EXPECT_EQ(shortcuts.order,
              (QStringList{"toggleMirelon", "toggleText", "toggleRingLight", "increaseCameraSize",
                           "decreaseCameraSize", "increaseTextSize", "decreaseTextSize",
                           "toggleCameraMirroring", "increaseRingLightTemperature",
                           "decreaseRingLightTemperature", "increaseRingLightWidth",
                           "decreaseRingLightWidth"}));
}

TEST_F(AppShellTest, RegisteringTwiceLeavesOneHandlerPerName) {
    launch();
    shell->registerKeyShortcuts();
    shell->appear();  // the menu binds them again too
    ASSERT_EQ(shortcuts.handlers.size(), 12u);
    for (const auto& [name, list] : shortcuts.handlers) {
        EXPECT_EQ(list.size(), 1u) << name.toStdString();
    }
    // One release runs the action once: a doubled toggle would end where it began.
    panels.calls.clear();
    shortcuts.release(ShortcutNames::toggleText);
    EXPECT_FALSE(prefs().textVisible());
    shortcuts.release(ShortcutNames::toggleMirelon);
    EXPECT_TRUE(prefs().isMirelonOn());
    // Directly, and once more through the change of "isMirelonOn".
    EXPECT_EQ(panels.calls, (QStringList{"show", "show"}));
    shortcuts.release(ShortcutNames::toggleMirelon);
    EXPECT_FALSE(prefs().isMirelonOn());
    EXPECT_EQ(panels.calls, (QStringList{"show", "show", "hide", "hide"}));
}

TEST_F(AppShellTest, ClosingTheSettingsQuitsOnlyWhenNothingWouldBeLeft) {
    launch();
    // No tray icon and Mirelon off: an invisible process with nothing to show.
    EXPECT_TRUE(shell->quitsWhenSettingsClose(false));
    // With an icon there is a way back.
    EXPECT_FALSE(shell->quitsWhenSettingsClose(true));
    // Panels on screen keep it running (a second launch reopens the window).
    shell->startStop();
    EXPECT_FALSE(shell->quitsWhenSettingsClose(false));
    shell->startStop();
    EXPECT_TRUE(shell->quitsWhenSettingsClose(false));
}

TEST_F(AppShellTest, StartStopToggleAgainstTheInterface) {
    FakePanels fake;
    bool on = false;
    MirelonStartStopAction::toggle(on, fake);
    EXPECT_TRUE(on);
    MirelonStartStopAction::toggle(on, fake);
    EXPECT_FALSE(on);
    EXPECT_EQ(fake.calls, (QStringList{"show", "hide"}));
}

TEST_F(AppShellTest, StepsStopAtTheirLimits) {
    launch();
    const QString a = QStringLiteral("cam-a");
    const QString b = QStringLiteral("cam-b");
    ASSERT_TRUE(store->configuration(a)->isEnabled);
    ASSERT_FALSE(store->configuration(b)->isEnabled);
    store->updateAppearance(a, &CameraAppearanceSettings::cameraSize, 4.9);
    store->updateAppearance(a, &CameraAppearanceSettings::fontSize, 11.0);
    const CameraAppearanceSettings untouched = appearance(b);
    auto& actions = shell->actions();
    actions.perform(ShortcutNames::increaseCameraSize);
    EXPECT_DOUBLE_EQ(appearance(a).cameraSize, 5.0);
    actions.perform(ShortcutNames::increaseCameraSize);
    EXPECT_DOUBLE_EQ(appearance(a).cameraSize, 5.0);
    actions.perform(ShortcutNames::decreaseTextSize);
    EXPECT_DOUBLE_EQ(appearance(a).fontSize, 10.0);
    actions.perform(ShortcutNames::decreaseTextSize);
    EXPECT_DOUBLE_EQ(appearance(a).fontSize, 10.0);
    const bool mirrored = appearance(a).cameraMirroringEnabled;
    actions.perform(ShortcutNames::toggleCameraMirroring);
    EXPECT_EQ(appearance(a).cameraMirroringEnabled, !mirrored);
    // The disabled camera is left alone.
    EXPECT_EQ(appearance(b), untouched);

    records.records[QStringLiteral("1234")] = RingLightRecord{true, 0.98, 10.0, 0.7};
    actions.perform(ShortcutNames::decreaseRingLightWidth);
    EXPECT_DOUBLE_EQ(records.records[QStringLiteral("1234")].width, 8.0);
    actions.perform(ShortcutNames::decreaseRingLightWidth);
    EXPECT_DOUBLE_EQ(records.records[QStringLiteral("1234")].width, 8.0);
    actions.perform(ShortcutNames::increaseRingLightTemperature);
    const RingLightRecord r = records.records[QStringLiteral("1234")];
    EXPECT_DOUBLE_EQ(r.temperature, 1.0);
    EXPECT_TRUE(r.isEnabled);
    EXPECT_DOUBLE_EQ(r.width, 8.0);
    EXPECT_DOUBLE_EQ(r.glow, 0.7);
    actions.perform(ShortcutNames::increaseRingLightWidth);
    EXPECT_DOUBLE_EQ(records.records[QStringLiteral("1234")].width, 11.0);
}

TEST_F(AppShellTest, TemperatureStepCreatesARecordFromTheDefaults) {
    launch();
    records.defaults = RingLightRecord{true, 0.5, 44.0, 0.5};
    records.records[QStringLiteral("other")] = RingLightRecord{false, 0.1, 20.0, 0.2};
    const int before = ringLight.refreshes;
    shell->actions().adjustRingLightTemperature(0.05);
    ASSERT_EQ(records.records.size(), 2u);
    const RingLightRecord r = records.records.at(QStringLiteral("1234"));
    EXPECT_DOUBLE_EQ(r.temperature, 0.55);
    EXPECT_TRUE(r.isEnabled);
    EXPECT_DOUBLE_EQ(r.width, 44.0);
    EXPECT_DOUBLE_EQ(records.records.at(QStringLiteral("other")).temperature, 0.1);
    EXPECT_EQ(ringLight.refreshes, before + 1);

    // Several displays chosen (every lit one): each steps from its own value.
    records.displays = {QStringLiteral("1234"), QStringLiteral("other")};
    shell->actions().adjustRingLightWidth(3);
    EXPECT_DOUBLE_EQ(records.records.at(QStringLiteral("1234")).width, 47.0);
    EXPECT_DOUBLE_EQ(records.records.at(QStringLiteral("other")).width, 23.0);
    EXPECT_EQ(records.saves, 2);

    // No display: nothing is written or refreshed.
    records.displays.clear();
    shell->actions().adjustRingLightTemperature(0.05);
    shell->actions().adjustRingLightWidth(3);
    EXPECT_EQ(records.saves, 2);
    EXPECT_EQ(ringLight.refreshes, before + 2);
}

TEST_F(AppShellTest, FollowsPreferenceChangesFromAnyWriter) {
    launch();
    const int refreshes = ringLight.refreshes;
    // Another writer of the keys: an edit of defaults.json by hand.
    t.writeFile("{\"isMirelonOn\": true, \"ringLightEnabled\": true}");
    t.defaults->reloadFromDisk();
    EXPECT_EQ(panels.calls, QStringList{"show"});
    EXPECT_EQ(ringLight.refreshes, refreshes + 1);
    // Unrelated writes do not repeat the reactions.
    t.defaults->setDouble(PreferenceKeys::hoverOpacity, 0.5);
    EXPECT_EQ(panels.calls, QStringList{"show"});
    EXPECT_EQ(ringLight.refreshes, refreshes + 1);

    QStringList icons;
    shell->onMenuBarIconChanged = [&](const QString& name) { icons.append(name); };
    t.defaults->setString(PreferenceKeys::menuBarIcon, QStringLiteral("video.circle.fill"));
    EXPECT_EQ(icons, QStringList{"video.circle.fill"});

    // The ring light shortcut stores the switch and refreshes.
    shortcuts.release(ShortcutNames::toggleRingLight);
    EXPECT_FALSE(prefs().ringLightEnabled());
    EXPECT_GE(ringLight.refreshes, refreshes + 2);
}

class MenuTest : public AppShellTest {
protected:
    std::unique_ptr<TrayMenu> menu;
    int settingsOpened = 0;
    QList<QUrl> links;
    void build(bool withUpdates = true) {
        launch();
        TrayMenu::Handlers h;
        h.startStop = [this] { shell->startStop(); };
        h.appear = [this] { shell->appear(); };
        h.openSettings = [this] { ++settingsOpened; };
        if (withUpdates) {
            h.checkForUpdates = [] {};
        }
        h.openLink = [this](const QUrl& u) { links.append(u); };
        menu = std::make_unique<TrayMenu>(*t.defaults, shell->actions(), shortcuts, h, t.center);
    }
    QAction* row(const QString& text) {
        for (QAction* a : menu->menu()->actions()) {
            if (a->text() == text) {
                return a;
            }
        }
        return nullptr;
    }
};

TEST_F(MenuTest, HasTheTwentyTwoRowsInOrder) {
    build();
    QStringList rows;
    for (QAction* a : menu->menu()->actions()) {
        rows.append(a->isSeparator() ? QStringLiteral("-") : a->text());
    }
    QStringList expected{"Start Mirelon",
                         "Text",
                         "-",
                         "Ring Light",
                         "-",
                         "Increase Camera Size",
                         "Decrease Camera Size",
                         "Toggle Camera Mirroring",
                         "Increase Text Size",
                         "Decrease Text Size",
                         "-",
                         "Settings...",
                         "Help",
                         "Social",
                         "-"};
    if (MIRELON_UPDATE_CHECK) {
        expected << "Check for Updates..."
                 << "-";
    }
    expected << "Website"
             << "Suggest Idea"
             << "More Apps"
             << "-"
             << "Quit Mirelon";
    EXPECT_EQ(rows, expected);
    QStringList help;
    for (QAction* a : row(QStringLiteral("Help"))->menu()->actions()) {
        help.append(a->text());
    }
    EXPECT_EQ(help, (QStringList{"FAQ", "Videos", "Support"}));
    QStringList social;
    for (QAction* a : row(QStringLiteral("Social"))->menu()->actions()) {
        social.append(a->text());
    }
    EXPECT_EQ(social, (QStringList{"X", "YouTube"}));
    EXPECT_EQ(row(QStringLiteral("Settings..."))->shortcut(),
              QKeySequence(Qt::CTRL | Qt::Key_Comma));
    EXPECT_EQ(row(QStringLiteral("Quit Mirelon"))->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
    // Every link is a web address.
    row(QStringLiteral("Website"))->trigger();
    row(QStringLiteral("Help"))->menu()->actions().at(0)->trigger();
    ASSERT_EQ(links.size(), 2);
    for (const QUrl& u : links) {
        EXPECT_TRUE(u.scheme() == QLatin1String("https") || u.scheme() == QLatin1String("http"));
    }
}

TEST_F(MenuTest, RowsActOnPreferencesAndShowTheirShortcuts) {
    t.defaults->setBool(PreferenceKeys::isMirelonOn, true);
    shortcuts.assigned[ShortcutNames::toggleMirelon] = QKeySequence(QStringLiteral("Ctrl+Alt+M"));
    build();
    QAction* startStop = menu->startStopAction();
    EXPECT_EQ(startStop->text(), QStringLiteral("Start Mirelon"));
    EXPECT_EQ(startStop->shortcut(), QKeySequence(QStringLiteral("Ctrl+Alt+M")));
    EXPECT_TRUE(menu->textAction()->isChecked());
    EXPECT_FALSE(menu->ringLightAction()->isChecked());

    startStop->trigger();
    EXPECT_EQ(startStop->text(), QStringLiteral("Stop Mirelon"));
    EXPECT_TRUE(prefs().isMirelonOn());
    EXPECT_EQ(panels.calls, (QStringList{"show", "show"}));
    startStop->trigger();
    EXPECT_EQ(startStop->text(), QStringLiteral("Start Mirelon"));
    EXPECT_EQ(panels.calls, (QStringList{"show", "show", "hide", "hide"}));

    const int refreshes = ringLight.refreshes;
    menu->ringLightAction()->trigger();
    EXPECT_TRUE(prefs().ringLightEnabled());
    EXPECT_TRUE(menu->ringLightAction()->isChecked());
    EXPECT_EQ(ringLight.refreshes, refreshes + 1);
    menu->textAction()->trigger();
    EXPECT_FALSE(prefs().textVisible());
    EXPECT_FALSE(menu->textAction()->isChecked());

    // A change from elsewhere (settings window, shortcut) shows at once.
    shortcuts.release(ShortcutNames::toggleText);
    EXPECT_TRUE(menu->textAction()->isChecked());

    // Opening the menu runs the appear handler.
    panels.calls.clear();
    const int shortcutBindings = static_cast<int>(shortcuts.order.size());
    Q_EMIT menu->menu()->aboutToShow();
    EXPECT_EQ(panels.calls, QStringList{"hide"});
    EXPECT_EQ(shortcuts.order.size(), shortcutBindings + 12);

    row(QStringLiteral("Settings..."))->trigger();
    EXPECT_EQ(settingsOpened, 1);
}

#if MIRELON_UPDATE_CHECK
TEST_F(MenuTest, CheckForUpdatesWithoutAnUpdaterDoesNothing) {
    build(false);
    row(QStringLiteral("Check for Updates..."))->trigger();
    EXPECT_EQ(settingsOpened, 0);
    EXPECT_TRUE(links.isEmpty());
}
#else
TEST_F(MenuTest, WithoutTheUpdateCheckThereIsNoUpdateItem) {
    build(false);
    for (QAction* action : menu->menu()->actions()) {
        EXPECT_FALSE(action->text().contains(QStringLiteral("Update")))
            << action->text().toStdString();
    }
}
#endif

}  // namespace
}  // namespace mirelon
