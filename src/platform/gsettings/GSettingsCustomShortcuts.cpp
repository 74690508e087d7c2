// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/gsettings/GSettingsCustomShortcuts.h"

#include "platform/ShellExtension.h"
#include "platform/gsettings/GSettingsCommand.h"
#include "platform/gsettings/GVariantText.h"

#include <QLoggingCategory>

#include <memory>

Q_DECLARE_LOGGING_CATEGORY(lcGSettings)

namespace mirelon {

namespace {

DesktopShortcuts* standIn = nullptr;

QString entryAt(const QString& path) {
    return GSettingsCustomShortcuts::entrySchema + u':' + path;
}

}  // namespace

DesktopShortcuts& DesktopShortcuts::shared() {
    static GSettingsCustomShortcuts session;
    return standIn ? *standIn : session;
}

void DesktopShortcuts::setShared(DesktopShortcuts* shortcuts) {
    standIn = shortcuts;
}

QString GSettingsCustomShortcuts::entryPath(const QString& id) {
    QString clean;
    for (const QChar c : id) {
        if ((c.isLetterOrNumber() && c.unicode() < 128) || c == u'-') {
            clean += c;
        }
    }
    return pathPrefix + clean + u'/';
}

bool GSettingsCustomShortcuts::isAvailable() const {
    return ShellExtension::runsUnderGnomeShell() && GSettingsCommand::isInstalled();
}

void GSettingsCustomShortcuts::enqueue(Step step) {
    queue_.push_back(std::move(step));
    if (!running_) {
        runNext();
    }
}

void GSettingsCustomShortcuts::runNext() {
    if (queue_.empty()) {
        running_ = false;
        return;
    }
    running_ = true;
    Step step = std::move(queue_.front());
    queue_.pop_front();
    step([this] { runNext(); });
}

void GSettingsCustomShortcuts::add(const Entry& entry, Done done) {
    if (!done) {
        done = [](bool, const QString&) {};
    }
    const QString path = entryPath(entry.id);
    enqueue([path, entry, done](std::function<void()> next) {
        GSettingsCommand::run(
            {QStringLiteral("get"), listSchema, listKey},
            [path, entry, done, next](bool ok, const QString& text) {
                const auto list = ok ? GVariantText::parseStringList(text) : std::nullopt;
                if (!list) {
                    qCWarning(lcGSettings).noquote()
                        << "Custom shortcuts not changed: cannot read the list (" + text + ")";
                    done(false, ok ? QStringLiteral("unreadable list of custom shortcuts") : text);
                    next();
                    return;
                }
                // The entry first, then the list that makes the desktop use it.
                std::vector<QStringList> commands = {
                    {QStringLiteral("set"), entryAt(path), QStringLiteral("name"),
                     GVariantText::quote(entry.title)},
                    {QStringLiteral("set"), entryAt(path), QStringLiteral("command"),
                     GVariantText::quote(entry.command)},
                    {QStringLiteral("set"), entryAt(path), QStringLiteral("binding"),
                     GVariantText::quote(entry.accelerator)}};
                const QStringList updated = GVariantText::withEntry(*list, path);
                if (updated != *list) {
                    commands.push_back({QStringLiteral("set"), listSchema, listKey,
                                        GVariantText::formatStringList(updated)});
                }
                GSettingsCommand::runAll(std::move(commands),
                                         [done, next](bool written, const QString& error) {
                                             done(written, written ? QString() : error);
                                             next();
                                         });
            });
    });
}

void GSettingsCustomShortcuts::remove(const QString& id, Done done) {
    if (!done) {
        done = [](bool, const QString&) {};
    }
    const QString path = entryPath(id);
    enqueue([path, done](std::function<void()> next) {
        GSettingsCommand::run(
            {QStringLiteral("get"), listSchema, listKey},
            [path, done, next](bool ok, const QString& text) {
                const auto list = ok ? GVariantText::parseStringList(text) : std::nullopt;
                if (!list) {
                    done(false, ok ? QStringLiteral("unreadable list of custom shortcuts") : text);
                    next();
                    return;
                }
                std::vector<QStringList> commands;
                const QStringList updated = GVariantText::withoutEntry(*list, path);
                if (updated != *list) {
                    commands.push_back({QStringLiteral("set"), listSchema, listKey,
                                        GVariantText::formatStringList(updated)});
                }
                for (const char* key : {"name", "command", "binding"}) {
                    commands.push_back(
                        {QStringLiteral("reset"), entryAt(path), QString::fromLatin1(key)});
                }
                GSettingsCommand::runAll(std::move(commands),
                                         [done, next](bool written, const QString& error) {
                                             done(written, written ? QString() : error);
                                             next();
                                         });
            });
    });
}

void GSettingsCustomShortcuts::find(const QString& id, Found found) {
    if (!found) {
        found = [](std::optional<QString>) {};
    }
    const QString path = entryPath(id);
    enqueue([path, found](std::function<void()> next) {
        GSettingsCommand::run(
            {QStringLiteral("get"), listSchema, listKey},
            [path, found, next](bool ok, const QString& text) {
                const auto list = ok ? GVariantText::parseStringList(text) : std::nullopt;
                if (!list || !list->contains(path)) {
                    found(std::nullopt);
                    next();
                    return;
                }
                GSettingsCommand::run(
                    {QStringLiteral("get"), entryAt(path), QStringLiteral("binding")},
                    [found, next](bool read, const QString& binding) {
                        const auto value = read ? GVariantText::parseString(binding) : std::nullopt;
                        found(value && !value->isEmpty() ? value : std::nullopt);
                        next();
                    });
            });
    });
}

}  // namespace mirelon
