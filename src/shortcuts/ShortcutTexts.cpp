#include "shortcuts/ShortcutTexts.h"

#include <QFile>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QStringList>

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

// The texts of the user's language over the English ones.
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
    const QString locale = QLocale().name();  // e.g. de_DE
    for (const QString& language : {locale.section(QLatin1Char('_'), 0, 0), locale}) {
        if (language == QLatin1String("en") || language.isEmpty()) {
            continue;
        }
        if (const auto table = readTable(language)) {
            for (auto it = table->begin(); it != table->end(); ++it) {
                if (it.value().isString()) {
                    texts.insert(it.key(), it.value().toString());
                }
            }
        }
    }
    return texts;
}

}  // namespace

QString localizedText(const QString& key) {
    static const QHash<QString, QString> texts = loadTexts();
    return texts.value(key, key);
}

}  // namespace mirelon::GlobalShortcuts
