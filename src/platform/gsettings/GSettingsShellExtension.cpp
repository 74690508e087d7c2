// SPDX-License-Identifier: GPL-3.0-or-later
// Switching the companion extension on for GNOME Shell's next start.
#include "platform/ShellExtension.h"
#include "platform/gsettings/GSettingsCommand.h"
#include "platform/gsettings/GVariantText.h"

namespace mirelon::ShellExtension {

namespace {

const QString shellSchema = QStringLiteral("org.gnome.shell");

// Reads a list key, edits it and writes it back when it changed.
void editList(const QString& key, std::function<QStringList(const QStringList&)> edit,
              std::function<void(bool ok, const QString& error)> done) {
    GSettingsCommand::run(
        {QStringLiteral("get"), shellSchema, key}, [key, edit, done](bool ok, const QString& text) {
            const auto list = ok ? GVariantText::parseStringList(text) : std::nullopt;
            if (!list) {
                done(false, ok ? QStringLiteral("unreadable %1 setting").arg(key) : text);
                return;
            }
            const QStringList updated = edit(*list);
            if (updated == *list) {
                done(true, QString());
                return;
            }
            GSettingsCommand::run(
                {QStringLiteral("set"), shellSchema, key, GVariantText::formatStringList(updated)},
                [done](bool written, const QString& error) {
                    done(written, written ? QString() : error);
                });
        });
}

}  // namespace

void enableAtNextLogin(std::function<void(bool ok, const QString& error)> done) {
    editList(
        QStringLiteral("enabled-extensions"),
        [](const QStringList& list) { return GVariantText::withEntry(list, uuid); },
        [done](bool ok, const QString& error) {
            if (!ok) {
                done(false, error);
                return;
            }
            editList(
                QStringLiteral("disabled-extensions"),
                [](const QStringList& list) { return GVariantText::withoutEntry(list, uuid); },
                done);
        });
}

}  // namespace mirelon::ShellExtension
