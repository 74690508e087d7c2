// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcuts/ShortcutTexts.h"

#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>

static void initShortcutTextsResource() {
    Q_INIT_RESOURCE(GlobalShortcuts_GlobalShortcuts);
}

namespace mirelon::GlobalShortcuts {
namespace {

const QString kBundle = QStringLiteral(":/GlobalShortcuts_GlobalShortcuts.bundle/");

std::optional<QJsonObject> readTable(const QString& language) {
    QFile file(kBundle + language + QStringLiteral(".json"));
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll());
    if (!doc.isObject()) {
        return std::nullopt;
    }
    return doc.object();
}

// The module's English texts. The user's language comes from the program's
// translations (context "GlobalShortcuts"); these markers let lupdate see the
// texts, which must match the bundle's.
[[maybe_unused]] const char* const kTranslatable[] = {
    QT_TRANSLATE_NOOP("GlobalShortcuts", "space"),
    QT_TRANSLATE_NOOP("GlobalShortcuts", "Record Shortcut"),
    QT_TRANSLATE_NOOP("GlobalShortcuts", "Press Shortcut"),
    QT_TRANSLATE_NOOP("GlobalShortcuts",
                      "This keyboard shortcut cannot be used as it is already "
                      "used by the “%1” menu item."),
    QT_TRANSLATE_NOOP("GlobalShortcuts",
                      "This keyboard shortcut cannot be used as it is reserved for typing."),
    QT_TRANSLATE_NOOP("GlobalShortcuts",
                      "This keyboard shortcut cannot be used as it is already "
                      "taken by the desktop or another application."),
    QT_TRANSLATE_NOOP("GlobalShortcuts",
                      "Most desktop shortcuts can be changed in your desktop's keyboard settings."),
    QT_TRANSLATE_NOOP("GlobalShortcuts", "OK"),
    QT_TRANSLATE_NOOP("GlobalShortcuts", "Use Anyway"),
};

QHash<QString, QString> loadTexts() {
    initShortcutTextsResource();
    const auto english = readTable(QStringLiteral("en"));
    if (!english) {
        qFatal("unable to find bundle named GlobalShortcuts_GlobalShortcuts");
    }
    QHash<QString, QString> texts;
    for (auto it = english->begin(); it != english->end(); ++it) {
        texts.insert(it.key(), it.value().toString());
    }
    return texts;
}

}  // namespace

QString localizedText(const QString& key) {
    static const QHash<QString, QString> texts = loadTexts();
    const auto it = texts.constFind(key);
    if (it == texts.constEnd()) {
        return key;
    }
    return QCoreApplication::translate("GlobalShortcuts", it->toUtf8().constData());
}

}  // namespace mirelon::GlobalShortcuts
