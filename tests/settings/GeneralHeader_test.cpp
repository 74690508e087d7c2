// SPDX-License-Identifier: GPL-3.0-or-later
// The head of the General tab: switching Mirelon on and off, quitting, and
// (under GNOME Shell) installing the companion extension.
#include "settings/GeneralSettingsView.h"
#include "settings/GnomeIntegrationRow.h"
#include "settings/MirelonSwitchRow.h"
#include "settings/SettingsFixture.h"
#include "settings/SettingsSliderRow.h"

#include <QLabel>
#include <QPushButton>

namespace mirelon {
namespace {

class GeneralHeader : public testing::SettingsFixture {};

TEST_F(GeneralHeader, TurnsMirelonOnAndOffAndFollowsOtherWriters) {
    int quits = 0;
    prefs().setIsMirelonOn(false);  // as the application starts
    MirelonSwitchRow row(context(), [&] { ++quits; });
    EXPECT_EQ(row.stateLabel()->text(), QStringLiteral("Mirelon is off"));
    EXPECT_EQ(row.switchButton()->text(), QStringLiteral("Turn &On"));
    row.switchButton()->click();
    EXPECT_TRUE(prefs().isMirelonOn());
    EXPECT_EQ(row.stateLabel()->text(), QStringLiteral("Mirelon is on"));
    EXPECT_EQ(row.switchButton()->text(), QStringLiteral("Turn &Off"));
    // The tray menu or a shortcut switched it off.
    prefs().setIsMirelonOn(false);
    EXPECT_EQ(row.switchButton()->text(), QStringLiteral("Turn &On"));
    EXPECT_EQ(quits, 0);
    row.quitButton()->click();
    EXPECT_EQ(quits, 1);
}

TEST_F(GeneralHeader, TheGeneralTabStartsWithTheSwitch) {
    GeneralSettingsView view(context());
    view.resize(500, 900);
    view.show();
    settle();
    ASSERT_NE(view.switchRow(), nullptr);
    EXPECT_TRUE(view.isAncestorOf(view.switchRow()));
    EXPECT_TRUE(view.switchRow()->quitButton()->isEnabled());
    // The switch comes before every other control of the tab.
    const QPoint switchAt = view.switchRow()->mapTo(&view, QPoint(0, 0));
    const QPoint hoverAt = view.hoverRow()->mapTo(&view, QPoint(0, 0));
    EXPECT_LT(switchAt.y(), hoverAt.y());
}

// A stand-in for the system: installed copies, the bus, gsettings.
struct FakeShell {
    bool installed = false;
    bool bundled = true;
    QString copyError;
    int copies = 0;
    std::function<void(bool, const QString&)> pendingEnable;
    std::function<void(bool)> running;

    GnomeIntegrationRow::Services services() {
        GnomeIntegrationRow::Services s;
        s.isInstalled = [this] { return installed; };
        s.hasBundledCopy = [this] { return bundled; };
        s.copyToUser = [this](QString* error) {
            ++copies;
            if (!copyError.isEmpty()) {
                *error = copyError;
                return false;
            }
            installed = true;
            return true;
        };
        s.enableAtNextLogin = [this](std::function<void(bool, const QString&)> done) {
            pendingEnable = std::move(done);
        };
        s.watchRunning = [this](QObject*, std::function<void(bool)> changed) {
            running = std::move(changed);
        };
        return s;
    }
};

using State = GnomeIntegrationRow::State;

TEST_F(GeneralHeader, InstallingTheExtensionSaysItRunsFromTheNextLogin) {
    FakeShell shell;
    GnomeIntegrationRow row(shell.services());
    EXPECT_EQ(row.state(), State::missing);
    EXPECT_FALSE(row.installButton()->isHidden());
    EXPECT_TRUE(row.installButton()->isEnabled());
    EXPECT_EQ(row.installButton()->text(), QStringLiteral("Install GNOME integration"));

    row.installButton()->click();
    EXPECT_EQ(shell.copies, 1);
    EXPECT_EQ(row.state(), State::installing);
    EXPECT_FALSE(row.installButton()->isEnabled()) << "one install at a time";
    ASSERT_TRUE(shell.pendingEnable);
    shell.pendingEnable(true, QString());
    EXPECT_EQ(row.state(), State::justInstalled);
    EXPECT_TRUE(row.installButton()->isHidden());
    EXPECT_TRUE(row.statusLabel()->text().contains(QStringLiteral("next time you log in")));
    // GNOME Shell does not load it in this session: still not running, the
    // message stands.
    shell.running(false);
    EXPECT_EQ(row.state(), State::justInstalled);
}

TEST_F(GeneralHeader, TheRowFollowsTheRunningExtension) {
    FakeShell shell;
    shell.installed = true;
    GnomeIntegrationRow row(shell.services());
    EXPECT_EQ(row.state(), State::installed);
    EXPECT_TRUE(row.statusLabel()->text().contains(QStringLiteral("log out and in again")));
    shell.running(true);
    EXPECT_EQ(row.state(), State::running);
    EXPECT_TRUE(row.installButton()->isHidden());
    // Switched off in the Extensions app.
    shell.running(false);
    EXPECT_EQ(row.state(), State::installed);
    EXPECT_FALSE(row.installButton()->isHidden());
}

TEST_F(GeneralHeader, FailuresAreShownAndNothingIsEnabledAfterAFailedCopy) {
    FakeShell shell;
    shell.copyError = QStringLiteral("cannot create /home/x/.local/share/gnome-shell");
    GnomeIntegrationRow row(shell.services());
    row.installButton()->click();
    EXPECT_EQ(row.state(), State::failed);
    EXPECT_FALSE(shell.pendingEnable) << "not enabled without a copy";
    EXPECT_TRUE(row.statusLabel()->text().contains(shell.copyError));
    EXPECT_TRUE(row.installButton()->isEnabled()) << "the user may try again";

    shell.copyError.clear();
    row.installButton()->click();
    ASSERT_TRUE(shell.pendingEnable);
    shell.pendingEnable(false, QStringLiteral("No such schema “org.gnome.shell”"));
    EXPECT_EQ(row.state(), State::failed);
    EXPECT_TRUE(row.statusLabel()->text().contains(QStringLiteral("org.gnome.shell")));
}

TEST_F(GeneralHeader, WithoutABundledCopyTheButtonCannotBePressed) {
    FakeShell shell;
    shell.bundled = false;
    GnomeIntegrationRow row(shell.services());
    EXPECT_FALSE(row.installButton()->isEnabled());
    EXPECT_FALSE(row.installButton()->toolTip().isEmpty());
}

}  // namespace
}  // namespace mirelon
