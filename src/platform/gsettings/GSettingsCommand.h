// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

// The gsettings command, run without waiting for it: GSettings are written
// through it so that the desktop's settings daemon sees every change.
namespace mirelon::GSettingsCommand {

// ok: it ran and ended with status 0; text: its output (trimmed), or what
// went wrong.
using Reply = std::function<void(bool ok, const QString& text)>;

// Whether the command is installed.
bool isInstalled();
// Runs gsettings ARGS; reply comes on the main thread when it ends, or when
// it has not ended after timeoutSeconds (it is then stopped).
void run(const QStringList& args, Reply reply, double timeoutSeconds = 10);
// Runs the commands one after the other; stops at the first that fails and
// replies with its answer, else with the last one's.
void runAll(std::vector<QStringList> commands, Reply reply);

}  // namespace mirelon::GSettingsCommand
