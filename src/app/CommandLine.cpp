// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CommandLine.h"

#include "app/ShortcutActions.h"
#include "app/SingleInstance.h"

#include <QCommandLineParser>

#include <cstdio>

namespace mirelon {

namespace {

const QString actionOptionName = QStringLiteral("action");

// Options Qt's own application object reads (-platform xcb, -style ...); they
// pass through to it untouched.
const QStringList qtValueOptions = {
    QStringLiteral("platform"),
    QStringLiteral("platformpluginpath"),
    QStringLiteral("platformtheme"),
    QStringLiteral("plugin"),
    QStringLiteral("qwindowgeometry"),
    QStringLiteral("qwindowtitle"),
    QStringLiteral("qwindowicon"),
    QStringLiteral("session"),
    QStringLiteral("style"),
    QStringLiteral("stylesheet"),
    QStringLiteral("display"),
    QStringLiteral("geometry"),
    QStringLiteral("name"),
    QStringLiteral("title"),
};
const QStringList qtFlagOptions = {QStringLiteral("reverse"), QStringLiteral("widgetcount"),
                                   QStringLiteral("nograb"), QStringLiteral("dograb"),
                                   QStringLiteral("sync")};

QString programName() {
    return QStringLiteral("mirelon");
}

void describeOptions(QCommandLineParser& parser) {
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(
        QStringLiteral("Shows your camera in floating panels on the desktop, with a ring light "
                       "around the screen edges.\nWithout options, starts Mirelon in the system "
                       "tray, or opens the settings window of the Mirelon already running."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption(QCommandLineOption(
        actionOptionName,
        QStringLiteral("Runs the named shortcut action in the running Mirelon, as its key "
                       "shortcut would, and exits. For the desktop's own shortcut settings and "
                       "scripts. NAME is one of: %1.")
            .arg(commandActionNames().join(QStringLiteral(", "))),
        QStringLiteral("NAME")));
    for (const QString& name : qtValueOptions) {
        QCommandLineOption option(name, QString(), QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    for (const QString& name : qtFlagOptions) {
        QCommandLineOption option(name);
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
}

void printError(const QString& text) {
    std::fprintf(stderr, "%s: %s\n", qPrintable(programName()), qPrintable(text));
    std::fflush(stderr);
}

QString validNamesLine() {
    return QStringLiteral("Valid actions: %1.")
        .arg(commandActionNames().join(QStringLiteral(", ")));
}

}  // namespace

QStringList commandActionNames() {
    return ShortcutNames::withMoveMode();
}

CommandLine CommandLine::parse(const QStringList& arguments) {
    QCommandLineParser parser;
    describeOptions(parser);
    CommandLine result;
    if (!parser.parse(arguments)) {
        result.mode = Mode::Error;
        // It names the option given, which may be anything.
        result.error = printable(parser.errorText(), 4 * maximumEchoLength) +
                       QStringLiteral("\nTry \"mirelon --help\".");
        return result;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        result.mode = Mode::Help;
        return result;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        result.mode = Mode::Version;
        return result;
    }
    if (!parser.positionalArguments().isEmpty()) {
        result.mode = Mode::Error;
        result.error = QStringLiteral("unexpected argument \"%1\".\nTry \"mirelon --help\".")
                           .arg(printable(parser.positionalArguments().constFirst()));
        return result;
    }
    if (parser.isSet(actionOptionName)) {
        const QStringList names = parser.values(actionOptionName);
        if (names.size() > 1) {
            result.mode = Mode::Error;
            result.error = QStringLiteral("give --action once.");
            return result;
        }
        result.mode = Mode::Action;
        result.action = names.constFirst();
    }
    return result;
}

QString CommandLine::helpText() {
    QCommandLineParser parser;
    describeOptions(parser);
    return parser.helpText();
}

QString CommandLine::printable(const QString& text, int maximumLength) {
    QString out;
    const QList<uint> codePoints = text.toUcs4();
    for (qsizetype i = 0; i < codePoints.size(); ++i) {
        const uint c = codePoints.at(i);
        QString piece;
        if (c == '\n') {
            piece = QStringLiteral("\\n");
        } else if (c == '\t') {
            piece = QStringLiteral("\\t");
        } else if (c == '\r') {
            piece = QStringLiteral("\\r");
        } else if (c < 0x20 || (c >= 0x7f && c < 0xa0)) {
            piece = QStringLiteral("\\x%1").arg(c, 2, 16, QLatin1Char('0'));
        } else if (!QChar::isPrint(c) || QChar::category(c) == QChar::Other_Format) {
            // Invisible characters, and those that reorder or hide text.
            piece = QStringLiteral("\\u{%1}").arg(c, 4, 16, QLatin1Char('0'));
        } else {
            piece = QString::fromUcs4(reinterpret_cast<const char32_t*>(&c), 1);
        }
        if (out.size() + piece.size() > maximumLength) {
            return out + QStringLiteral("…");
        }
        out += piece;
    }
    return out;
}

QString CommandLine::versionText() {
    return QStringLiteral("%1 %2\n").arg(programName(), QStringLiteral(MIRELON_VERSION));
}

int runCommandAction(const QString& name) {
    if (!commandActionNames().contains(name)) {
        printError(QStringLiteral("unknown action \"%1\". %2")
                       .arg(CommandLine::printable(name), validNamesLine()));
        return CommandLine::usageExitCode;
    }
    QString problem;
    const auto channel = SingleInstance::defaultChannel(&problem);
    if (!channel) {
        printError(QStringLiteral("cannot reach a running Mirelon: %1").arg(problem));
        return 1;
    }
    const SingleInstance::Answer answer =
        SingleInstance::send(*channel, SingleInstance::actionRequest(name));
    switch (answer.status) {
        case SingleInstance::Answer::Replied:
            break;
        case SingleInstance::Answer::NoInstance:
            printError(
                QStringLiteral("Mirelon is not running, so \"%1\" was not done. Start Mirelon "
                               "first (run \"mirelon\").")
                    .arg(name));
            return 1;
        case SingleInstance::Answer::NoAnswer:
            printError(QStringLiteral("Mirelon is running but did not answer."));
            return 1;
        case SingleInstance::Answer::Unusable:
            printError(QStringLiteral("cannot reach a running Mirelon."));
            return 1;
    }
    if (answer.reply == SingleInstance::okReply) {
        return 0;
    }
    if (answer.reply == SingleInstance::unavailableActionReply) {
        printError(QStringLiteral("\"%1\" is not available in this session.").arg(name));
        return 1;
    }
    if (answer.reply == SingleInstance::unknownActionReply) {
        printError(
            QStringLiteral("the running Mirelon does not know the action \"%1\".").arg(name));
        return CommandLine::usageExitCode;
    }
    printError(QStringLiteral("unexpected answer from the running Mirelon."));
    return 1;
}

}  // namespace mirelon
