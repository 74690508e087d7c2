// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcuts/PortalTrigger.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

#include <set>

namespace mirelon::GlobalShortcuts {
namespace {

// Collects warnings while it lives.
class LogCapture {
public:
    LogCapture() {
        lines().clear();
        previous_ = qInstallMessageHandler([](QtMsgType, const QMessageLogContext&,
                                              const QString& text) { lines().append(text); });
    }
    ~LogCapture() { qInstallMessageHandler(previous_); }
    static QStringList& lines() {
        static QStringList l;
        return l;
    }

private:
    QtMessageHandler previous_;
};

// Every key of the key table, found through its evdev codes.
std::vector<Key> tableKeys() {
    std::vector<Key> keys;
    for (int evdev = 0; evdev < 1024; ++evdev) {
        if (const auto key = Key::fromEvdevCode(evdev)) {
            keys.push_back(*key);
        }
    }
    return keys;
}

constexpr std::int64_t kCtrlAlt = CarbonModifier::control | CarbonModifier::option;

TEST(PortalTrigger, EveryExpressibleKeyOfTheTableRoundTrips) {
    const std::set<std::int64_t> inexpressible = {
        Key::capsLock.rawValue,     Key::shift.rawValue,       Key::function.rawValue,
        Key::control.rawValue,      Key::option.rawValue,      Key::command.rawValue,
        Key::rightCommand.rawValue, Key::rightOption.rawValue, Key::rightControl.rawValue,
        Key::rightShift.rawValue,   Key::keypadClear.rawValue};
    const auto keys = tableKeys();
    ASSERT_EQ(keys.size(), 114u);
    // Keysym names: letters, digits and underscores only, one per key.
    const QRegularExpression form(QStringLiteral("^CTRL\\+ALT\\+([A-Za-z0-9_]+)$"));
    std::set<QString> names;
    int expressed = 0;
    LogCapture log;
    for (const Key key : keys) {
        const Shortcut shortcut(key.rawValue, kCtrlAlt);
        const auto trigger = portalTrigger(shortcut);
        if (inexpressible.count(key.rawValue)) {
            EXPECT_FALSE(trigger) << key.rawValue;
            continue;
        }
        ASSERT_TRUE(trigger) << "key code " << key.rawValue;
        const auto match = form.match(*trigger);
        ASSERT_TRUE(match.hasMatch()) << trigger->toStdString();
        EXPECT_TRUE(names.insert(match.captured(1)).second) << "twice: " << trigger->toStdString();
        EXPECT_TRUE(portalTriggerMatches(*trigger, shortcut)) << trigger->toStdString();
        EXPECT_FALSE(
            portalTriggerMatches(*trigger, Shortcut(key.rawValue, CarbonModifier::control)));
        ++expressed;
    }
    EXPECT_EQ(expressed, 103);
    // One clear line per key that cannot be bound, naming its code.
    ASSERT_EQ(log.lines().size(), static_cast<int>(inexpressible.size()));
    EXPECT_TRUE(log.lines().constFirst().contains(QStringLiteral("key code")));
}

TEST(PortalTrigger, ModifiersInFixedOrderAndKnownKeyNames) {
    EXPECT_EQ(portalTrigger(Shortcut(Key::m, ModifierFlag::control | ModifierFlag::option)),
              QStringLiteral("CTRL+ALT+M"));
    EXPECT_EQ(portalTrigger(Shortcut(Key::l, ModifierFlag::command | ModifierFlag::shift |
                                                 ModifierFlag::option | ModifierFlag::control)),
              QStringLiteral("CTRL+ALT+SHIFT+LOGO+L"));
    EXPECT_EQ(portalTrigger(Shortcut(Key::equal, ModifierFlag::option | ModifierFlag::command)),
              QStringLiteral("ALT+LOGO+equal"));
    EXPECT_EQ(portalTrigger(Shortcut(Key::f5, 0)), QStringLiteral("F5"));
    EXPECT_EQ(portalTrigger(Shortcut(Key::deleteKey, 0)), QStringLiteral("BackSpace"));
    EXPECT_EQ(portalTrigger(Shortcut(Key::deleteForward, 0)), QStringLiteral("Delete"));
    EXPECT_EQ(portalTrigger(Shortcut(Key::help, 0)), QStringLiteral("Insert"));
    EXPECT_EQ(portalTrigger(Shortcut(Key::space, ModifierFlag::control)),
              QStringLiteral("CTRL+space"));
    EXPECT_EQ(portalTrigger(Shortcut(Key::keypadPlus, 0)), QStringLiteral("KP_Add"));
}

TEST(PortalTrigger, KeysOutsideTheTableAreRefusedWithALogLine) {
    LogCapture log;
    EXPECT_FALSE(portalTrigger(Shortcut(0x7FFF, CarbonModifier::control)));
    EXPECT_FALSE(portalTrigger(Shortcut::verbatim(-5, 0)));
    EXPECT_FALSE(portalTrigger(Shortcut::verbatim(std::int64_t(1) << 40, -1)));
    EXPECT_EQ(log.lines().size(), 3);
    EXPECT_FALSE(portalKeyName(Key(0x7FFF)));
}

TEST(PortalTrigger, ReportedTriggersMatchInTheirUsualSpellings) {
    const Shortcut ctrlAltM(Key::m, ModifierFlag::control | ModifierFlag::option);
    EXPECT_TRUE(portalTriggerMatches(QStringLiteral("Ctrl+Alt+M"), ctrlAltM));
    EXPECT_TRUE(portalTriggerMatches(QStringLiteral("ctrl+alt+m"), ctrlAltM));
    EXPECT_TRUE(portalTriggerMatches(QStringLiteral("Alt+Control+M"), ctrlAltM));
    EXPECT_TRUE(portalTriggerMatches(QStringLiteral(" CTRL + ALT + M "), ctrlAltM));
    EXPECT_FALSE(portalTriggerMatches(QStringLiteral("Ctrl+M"), ctrlAltM));
    EXPECT_FALSE(portalTriggerMatches(QStringLiteral("Ctrl+Alt+Shift+M"), ctrlAltM));
    EXPECT_FALSE(portalTriggerMatches(QStringLiteral("Ctrl+Alt+N"), ctrlAltM));
    EXPECT_FALSE(portalTriggerMatches(QStringLiteral("Hyper+Alt+M"), ctrlAltM));
    EXPECT_FALSE(portalTriggerMatches(QString(), ctrlAltM));
    EXPECT_FALSE(portalTriggerMatches(QStringLiteral("+"), ctrlAltM));

    const Shortcut superEqual(Key::equal, ModifierFlag::command);
    EXPECT_TRUE(portalTriggerMatches(QStringLiteral("Meta+="), superEqual));
    EXPECT_TRUE(portalTriggerMatches(QStringLiteral("LOGO+equal"), superEqual));
    EXPECT_TRUE(portalTriggerMatches(QStringLiteral("Super+equal"), superEqual));
    const Shortcut pageUp(Key::pageUp, ModifierFlag::shift);
    EXPECT_TRUE(portalTriggerMatches(QStringLiteral("Shift+PgUp"), pageUp));
    EXPECT_TRUE(portalTriggerMatches(QStringLiteral("SHIFT+Page_Up"), pageUp));
    // A key the format cannot name never matches.
    EXPECT_FALSE(portalTriggerMatches(QStringLiteral("Ctrl+Shift"), Shortcut(Key::shift, 0x1000)));
}

}  // namespace
}  // namespace mirelon::GlobalShortcuts

namespace mirelon::GlobalShortcuts {
namespace {

TEST(DesktopAccelerator, GnomeSyntaxWithLowerCaseLetters) {
    EXPECT_EQ(desktopAccelerator(Shortcut(Key::m, ModifierFlag::control | ModifierFlag::option)),
              QStringLiteral("<Control><Alt>m"));
    EXPECT_EQ(
        desktopAccelerator(Shortcut(Key::l, ModifierFlag::command | ModifierFlag::shift |
                                                ModifierFlag::option | ModifierFlag::control)),
        QStringLiteral("<Control><Alt><Shift><Super>l"));
    EXPECT_EQ(desktopAccelerator(Shortcut(Key::f9, ModifierFlag::command)),
              QStringLiteral("<Super>F9"));
    EXPECT_EQ(desktopAccelerator(Shortcut(Key::equal, ModifierFlag::option)),
              QStringLiteral("<Alt>equal"));
    EXPECT_EQ(desktopAccelerator(Shortcut(Key::pageUp, 0)), QStringLiteral("Page_Up"));
    // A modifier key alone has no accelerator.
    EXPECT_EQ(desktopAccelerator(Shortcut(Key::shift, ModifierFlag::control)), std::nullopt);
}

}  // namespace
}  // namespace mirelon::GlobalShortcuts
