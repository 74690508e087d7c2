// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLocale>
#include <QString>

namespace mirelon::Translations {

// Installs the program's translation for the locale (the user's languages
// by default: LANGUAGE, LC_ALL, LC_MESSAGES, LANG) and Qt's own texts for it
// where they are installed. English needs none. Returns the language whose
// translation was installed, empty when none was. Calling it again replaces
// the translation (tests switch languages).
QString install(const QLocale& locale = QLocale::system());

// Removes what install() installed.
void remove();

}  // namespace mirelon::Translations
