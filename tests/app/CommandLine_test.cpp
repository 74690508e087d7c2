// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CommandLine.h"
#include "app/ShortcutActions.h"
#include "platform/MoveMode.h"
#include "platform/PlatformLoader.h"

#include <gtest/gtest.h>

using namespace mirelon;

namespace {

CommandLine parse(QStringList arguments) {
    arguments.prepend(QStringLiteral("mirelon"));
    return CommandLine::parse(arguments);
}

}  // namespace

TEST(CommandLineTest, ModesOfTheKnownOptions) {
    EXPECT_EQ(parse({}).mode, CommandLine::Mode::Run);
    EXPECT_EQ(parse({"--help"}).mode, CommandLine::Mode::Help);
    EXPECT_EQ(parse({"-h"}).mode, CommandLine::Mode::Help);
    EXPECT_EQ(parse({"--version"}).mode, CommandLine::Mode::Version);
    // Help wins over everything else given with it.
    EXPECT_EQ(parse({"--action", "toggleText", "--help"}).mode, CommandLine::Mode::Help);

    const CommandLine action = parse({"--action", "increaseCameraSize"});
    EXPECT_EQ(action.mode, CommandLine::Mode::Action);
    EXPECT_EQ(action.action, QStringLiteral("increaseCameraSize"));
    EXPECT_EQ(parse({"--action=toggleMirelon"}).action, QStringLiteral("toggleMirelon"));
    // The name is checked when it is sent, where the valid ones are listed.
    EXPECT_EQ(parse({"--action", "nonsense"}).mode, CommandLine::Mode::Action);
}

TEST(CommandLineTest, MistakesAreErrorsNamingWhatIsWrong) {
    const CommandLine unknown = parse({"--frobnicate"});
    EXPECT_EQ(unknown.mode, CommandLine::Mode::Error);
    EXPECT_TRUE(unknown.error.contains(QStringLiteral("frobnicate")));
    EXPECT_TRUE(unknown.error.contains(QStringLiteral("--help")));

    EXPECT_EQ(parse({"--action"}).mode, CommandLine::Mode::Error);
    EXPECT_EQ(parse({"stray"}).mode, CommandLine::Mode::Error);
    EXPECT_TRUE(parse({"stray"}).error.contains(QStringLiteral("stray")));
    EXPECT_EQ(parse({"--action", "toggleText", "--action", "toggleMirelon"}).mode,
              CommandLine::Mode::Error);
    EXPECT_EQ(CommandLine::usageExitCode, 2);
}

TEST(CommandLineTest, QtOwnOptionsPassThroughToTheApplication) {
    EXPECT_EQ(parse({"-platform", "offscreen"}).mode, CommandLine::Mode::Run);
    EXPECT_EQ(parse({"-style", "fusion", "-reverse"}).mode, CommandLine::Mode::Run);
    EXPECT_EQ(parse({"--platform", "xcb", "--action", "toggleText"}).mode,
              CommandLine::Mode::Action);
}

TEST(CommandLineTest, HelpListsEveryActionNameAndVersionIsOneLine) {
    const QString help = CommandLine::helpText();
    EXPECT_TRUE(help.contains(QStringLiteral("--action <NAME>")));
    for (const QString& name : commandActionNames()) {
        EXPECT_TRUE(help.contains(name)) << name.toStdString();
    }
    EXPECT_FALSE(help.contains(QStringLiteral("-platform")));  // Qt's own stay hidden
    EXPECT_EQ(CommandLine::versionText(), QStringLiteral("mirelon %1\n").arg(MIRELON_VERSION));
    EXPECT_GE(commandActionNames().size(), 12);
}

// The command line is read before the display session is known: the names it
// accepts include move mode (the running instance answers for its session),
// and looking at them must not settle whether this session offers move mode.
TEST(CommandLineTest, MoveModeNameIsAcceptedWithoutFixingTheSessionEarly) {
    PlatformLoader::setModeForTesting(DisplayMode::X11);
    EXPECT_TRUE(commandActionNames().contains(QStringLiteral("moveCameraPanels")));
    EXPECT_FALSE(ShortcutNames::all().contains(QStringLiteral("moveCameraPanels")));
    EXPECT_FALSE(MoveMode::shared().isAvailable());

    PlatformLoader::setModeForTesting(DisplayMode::WaylandNative);
    EXPECT_TRUE(MoveMode::shared().isAvailable());
    EXPECT_EQ(ShortcutNames::all().size(), 13);
    EXPECT_EQ(ShortcutNames::all().last(), QStringLiteral("moveCameraPanels"));
    PlatformLoader::setModeForTesting(DisplayMode::X11);
}

TEST(CommandLineTest, EchoedNamesAreEscapedAndCutShort) {
    EXPECT_EQ(CommandLine::printable(QStringLiteral("toggleEverything")),
              QStringLiteral("toggleEverything"));
    // A terminal never sees an escape sequence, a line break or reordered text.
    EXPECT_EQ(CommandLine::printable(QStringLiteral("a\x1b[2Jb\nc\td\x7f")),
              QStringLiteral("a\\x1b[2Jb\\nc\\td\\x7f"));
    EXPECT_EQ(CommandLine::printable(QStringLiteral("x\u202Ey\u200Bz")),
              QStringLiteral("x\\u{202e}y\\u{200b}z"));
    EXPECT_EQ(CommandLine::printable(QStringLiteral("Kamera äöü 🎥")),
              QStringLiteral("Kamera äöü 🎥"));

    const QString exact(CommandLine::maximumEchoLength, u'a');
    EXPECT_EQ(CommandLine::printable(exact), exact);
    const QString echoed = CommandLine::printable(QString(100000, u'b'));
    EXPECT_EQ(echoed, QString(CommandLine::maximumEchoLength, u'b') + QStringLiteral("…"));
    // An escape is never cut in half.
    const QString controls = CommandLine::printable(QString(100, QChar(1)));
    EXPECT_EQ(controls, QStringLiteral("\\x01").repeated(16) + QStringLiteral("…"));

    const CommandLine stray = parse({QStringLiteral("\x1b]0;title\x07") + QString(500, u'x')});
    ASSERT_EQ(stray.mode, CommandLine::Mode::Error);
    EXPECT_FALSE(stray.error.contains(QChar(0x1b)));
    EXPECT_TRUE(stray.error.contains(QStringLiteral("\\x1b]0;title\\x07")));
    EXPECT_LT(stray.error.size(), 200);
    const CommandLine option = parse({QStringLiteral("--\x1b[31m") + QString(500, u'y')});
    ASSERT_EQ(option.mode, CommandLine::Mode::Error);
    EXPECT_FALSE(option.error.contains(QChar(0x1b)));
    EXPECT_LT(option.error.size(), 400);
}
