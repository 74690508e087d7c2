// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/gsettings/GSettingsCommand.h"

#include "platform/qt/Scheduler.h"

#include <QLoggingCategory>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>

#include <memory>

Q_LOGGING_CATEGORY(lcGSettings, "app.mirelon.Mirelon.gsettings", QtInfoMsg)

namespace mirelon::GSettingsCommand {

namespace {

QString program() {
    return QStandardPaths::findExecutable(QStringLiteral("gsettings"));
}

}  // namespace

bool isInstalled() {
    return !program().isEmpty();
}

void run(const QStringList& args, Reply reply, double timeoutSeconds) {
    const QString path = program();
    if (path.isEmpty()) {
        Scheduler::main().schedule(0, [reply] {
            if (reply) {
                reply(false, QStringLiteral("the gsettings command is not installed"));
            }
        });
        return;
    }
    auto* process = new QProcess;
    process->setProgram(path);
    process->setArguments(args);
    process->setProcessChannelMode(QProcess::SeparateChannels);
    // Answered once: the end, a failure to start, or the timeout.
    auto answer = std::make_shared<Reply>(std::move(reply));
    auto finish = [process, answer](bool ok, const QString& text) {
        if (!*answer) {
            return;
        }
        const Reply r = std::move(*answer);
        *answer = nullptr;
        process->deleteLater();
        r(ok, text);
    };
    QObject::connect(
        process, &QProcess::finished, process,
        [process, finish, args](int code, QProcess::ExitStatus status) {
            const QString out = QString::fromUtf8(process->readAllStandardOutput()).trimmed();
            const QString err = QString::fromUtf8(process->readAllStandardError()).trimmed();
            const bool ok = status == QProcess::NormalExit && code == 0;
            if (!ok) {
                qCWarning(lcGSettings).noquote()
                    << "gsettings" << args.join(u' ') << "failed:" << err;
            }
            finish(ok, ok ? out : (err.isEmpty() ? out : err));
        });
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [process, finish](QProcess::ProcessError error) {
                         if (error == QProcess::FailedToStart) {
                             finish(false, process->errorString());
                         }
                     });
    QPointer<QProcess> guard(process);
    Scheduler::main().schedule(timeoutSeconds, [guard, finish, args] {
        if (guard && guard->state() != QProcess::NotRunning) {
            qCWarning(lcGSettings).noquote() << "gsettings" << args.join(u' ') << "does not end";
            guard->kill();
            finish(false, QStringLiteral("gsettings did not answer"));
        }
    });
    process->start();
}

void runAll(std::vector<QStringList> commands, Reply reply) {
    if (commands.empty()) {
        Scheduler::main().schedule(0, [reply] {
            if (reply) {
                reply(true, QString());
            }
        });
        return;
    }
    const QStringList first = commands.front();
    commands.erase(commands.begin());
    run(first, [rest = std::move(commands), reply](bool ok, const QString& text) mutable {
        if (!ok || rest.empty()) {
            if (reply) {
                reply(ok, text);
            }
            return;
        }
        runAll(std::move(rest), std::move(reply));
    });
}

}  // namespace mirelon::GSettingsCommand
