// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLoggingCategory>
#include <QTranslator>

#include <memory>

Q_LOGGING_CATEGORY(lcTranslations, "app.mirelon.Mirelon.translations", QtInfoMsg)

namespace mirelon::Translations {
namespace {

std::unique_ptr<QTranslator>& programTranslator() {
    static std::unique_ptr<QTranslator> translator;
    return translator;
}

std::unique_ptr<QTranslator>& qtTranslator() {
    static std::unique_ptr<QTranslator> translator;
    return translator;
}

// Qt names the modifiers of the menus' own shortcuts (Ctrl+Q) in its context
// "QShortcut". The program's translation carries these names too, so that
// those shortcuts read like the program's key names (Strg+Q beside
// Strg+Alt+M) even where Qt's own translations are not installed.
[[maybe_unused]] const char* const kQtModifierNames[] = {
    QT_TRANSLATE_NOOP("QShortcut", "Ctrl"),
    QT_TRANSLATE_NOOP("QShortcut", "Shift"),
    QT_TRANSLATE_NOOP("QShortcut", "Alt"),
};

}  // namespace

void remove() {
    for (auto* slot : {&programTranslator(), &qtTranslator()}) {
        if (*slot) {
            QCoreApplication::removeTranslator(slot->get());
            slot->reset();
        }
    }
}

QString install(const QLocale& locale) {
    remove();
    // The translations are built into the program (":/i18n/mirelon_de.qm").
    auto program = std::make_unique<QTranslator>();
    if (!program->load(locale, QStringLiteral("mirelon"), QStringLiteral("_"),
                       QStringLiteral(":/i18n"))) {
        qCDebug(lcTranslations) << "No translation for" << locale.uiLanguages();
        return {};
    }
    const QString language = program->language();
    QCoreApplication::installTranslator(program.get());
    programTranslator() = std::move(program);

    // Standard buttons and dialogs of Qt itself, when the system has them.
    auto qt = std::make_unique<QTranslator>();
    if (qt->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(qt.get());
        qtTranslator() = std::move(qt);
    }
    qCDebug(lcTranslations) << "Translation installed:" << language;
    return language;
}

}  // namespace mirelon::Translations
