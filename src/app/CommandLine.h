// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

namespace mirelon {

// The program's command line, read before any application object exists so
// that --help, --version and mistakes need no display and never reach a
// running instance.
struct CommandLine {
    enum class Mode {
        Run,      // start the tray program (or hand over to the running one)
        Help,     // print the help text, exit 0
        Version,  // print the version, exit 0
        Action,   // send a named action to the running instance
        Error,    // print `error`, exit 2
    };
    // Exit status for a command line that cannot be used.
    static constexpr int usageExitCode = 2;

    Mode mode = Mode::Run;
    QString action;  // Mode::Action: the name given
    QString error;   // Mode::Error: what is wrong, for standard error

    // arguments[0] is the program.
    static CommandLine parse(const QStringList& arguments);
    static QString helpText();
    // Text from the command line as it may be echoed in a message: control
    // and other invisible characters escaped (\n, \x1b, \u{202e}), and cut
    // to maximumLength characters followed by "…".
    static constexpr int maximumEchoLength = 64;
    static QString printable(const QString& text, int maximumLength = maximumEchoLength);
    static QString versionText();
};

// The names --action accepts: the shortcut names the program knows.
QStringList commandActionNames();

// Sends an action to the running instance and reports the outcome on
// standard error. Returns the exit status: 0 done, 1 no instance could run
// it, 2 an unknown name (the valid ones are listed). Needs a QCoreApplication.
int runCommandAction(const QString& name);

}  // namespace mirelon
