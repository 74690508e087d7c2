// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcuts/Shortcut.h"

#include "shortcuts/GlobalShortcuts.h"
#include "shortcuts/GlobalShortcutsInternal.h"
#include "shortcuts/ShortcutTexts.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QKeyEvent>
#include <QTextBoundaryFinder>

#include <cmath>
#include <limits>

namespace mirelon::GlobalShortcuts {
namespace {

QString keyName(const char* name) {
    return QCoreApplication::translate("Keys", name);
}

// Fixed display texts of keys whose engraving is not a layout character: the
// names Linux keyboards and desktops use.
std::optional<QString> fixedKeyText(Key key) {
    const std::int64_t k = key.rawValue;
    if (k == Key::returnKey.rawValue)
        return keyName(QT_TRANSLATE_NOOP("Keys", "Return"));
    if (k == Key::deleteKey.rawValue)
        return keyName(QT_TRANSLATE_NOOP("Keys", "Backspace"));
    if (k == Key::deleteForward.rawValue)
        return keyName(QT_TRANSLATE_NOOP("Keys", "Delete"));
    if (k == Key::end.rawValue)
        return keyName(QT_TRANSLATE_NOOP("Keys", "End"));
    if (k == Key::escape.rawValue)
        return keyName(QT_TRANSLATE_NOOP("Keys", "Esc"));
    if (k == Key::help.rawValue)
        return keyName(QT_TRANSLATE_NOOP("Keys", "Insert"));
    if (k == Key::home.rawValue)
        return keyName(QT_TRANSLATE_NOOP("Keys", "Home"));
    if (k == Key::space.rawValue)
        return localizedText(QStringLiteral("space_key"));
    if (k == Key::tab.rawValue)
        return keyName(QT_TRANSLATE_NOOP("Keys", "Tab"));
    if (k == Key::pageUp.rawValue)
        return keyName(QT_TRANSLATE_NOOP("Keys", "Page Up"));
    if (k == Key::pageDown.rawValue)
        return keyName(QT_TRANSLATE_NOOP("Keys", "Page Down"));
    if (k == Key::upArrow.rawValue)
        return keyName(QT_TRANSLATE_NOOP("Keys", "Up"));
    if (k == Key::rightArrow.rawValue)
        return keyName(QT_TRANSLATE_NOOP("Keys", "Right"));
    if (k == Key::downArrow.rawValue)
        return keyName(QT_TRANSLATE_NOOP("Keys", "Down"));
    if (k == Key::leftArrow.rawValue)
        return keyName(QT_TRANSLATE_NOOP("Keys", "Left"));
    static const Key fKeys[] = {Key::f1,  Key::f2,  Key::f3,  Key::f4,  Key::f5,
                                Key::f6,  Key::f7,  Key::f8,  Key::f9,  Key::f10,
                                Key::f11, Key::f12, Key::f13, Key::f14, Key::f15,
                                Key::f16, Key::f17, Key::f18, Key::f19, Key::f20};
    for (int i = 0; i < 20; ++i) {
        if (fKeys[i] == key) {
            return QStringLiteral("F%1").arg(i + 1);
        }
    }
    // Keypad keys: "Num" and the key's own engraving.
    const QString num = keyName(QT_TRANSLATE_NOOP("Keys", "Num")) + u' ';
    static const Key keypadDigits[] = {Key::keypad0, Key::keypad1, Key::keypad2, Key::keypad3,
                                       Key::keypad4, Key::keypad5, Key::keypad6, Key::keypad7,
                                       Key::keypad8, Key::keypad9};
    for (int i = 0; i < 10; ++i) {
        if (keypadDigits[i] == key) {
            return num + QChar(u'0' + i);
        }
    }
    if (k == Key::keypadClear.rawValue)
        return keyName(QT_TRANSLATE_NOOP("Keys", "Num Lock"));
    if (k == Key::keypadDecimal.rawValue)
        return num + u'.';
    if (k == Key::keypadDivide.rawValue)
        return num + u'/';
    if (k == Key::keypadEnter.rawValue)
        return num + keyName(QT_TRANSLATE_NOOP("Keys", "Enter"));
    if (k == Key::keypadEquals.rawValue)
        return num + u'=';
    if (k == Key::keypadMinus.rawValue)
        return num + u'-';
    if (k == Key::keypadMultiply.rawValue)
        return num + u'*';
    if (k == Key::keypadPlus.rawValue)
        return num + u'+';
    return std::nullopt;
}

std::optional<std::int64_t> integerMember(const QJsonObject& object, const char* name) {
    const QJsonValue value = object.value(QLatin1String(name));
    if (!value.isDouble()) {
        return std::nullopt;
    }
    const double d = value.toDouble();
    // Integers only; 2^63 itself is out of range.
    if (!std::isfinite(d) || std::trunc(d) != d || d < -9.2233720368547758e18 ||
        d >= 9.2233720368547758e18) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(d);
}

int characterCount(const QString& text) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    int count = 0;
    while (finder.toNextBoundary() > 0) {
        ++count;
    }
    return count;
}

}  // namespace

Shortcut::Shortcut(std::int64_t keyCode, std::int64_t modifiers)
    : carbonKeyCode(keyCode), carbonModifiers(normalizedCarbonModifiers(modifiers)) {}

Shortcut::Shortcut(Key key, ModifierFlags modifiers)
    : Shortcut(key.rawValue, GlobalShortcuts::carbonModifiers(modifiers)) {}

Shortcut Shortcut::verbatim(std::int64_t keyCode, std::int64_t modifiers) {
    Shortcut s;
    s.carbonKeyCode = keyCode;
    s.carbonModifiers = modifiers;
    return s;
}

std::optional<Shortcut> Shortcut::fromEvent(const QKeyEvent& event) {
    if (event.type() != QEvent::KeyPress && event.type() != QEvent::KeyRelease) {
        return std::nullopt;
    }
    const auto key = Key::fromX11KeyCode(static_cast<int>(event.nativeScanCode()));
    if (!key) {
        return std::nullopt;
    }
    return Shortcut(*key, modifierFlagsFromQt(event.modifiers()));
}

std::optional<Shortcut> Shortcut::forName(const Name& name) {
    return getShortcut(name);
}

QByteArray Shortcut::toJson() const {
    return QByteArrayLiteral("{\"carbonKeyCode\":") + QByteArray::number(carbonKeyCode) +
           QByteArrayLiteral(",\"carbonModifiers\":") + QByteArray::number(carbonModifiers) +
           QByteArrayLiteral("}");
}

std::optional<Shortcut> Shortcut::fromJson(const QByteArray& json) {
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject()) {
        return std::nullopt;
    }
    const QJsonObject object = doc.object();
    const auto code = integerMember(object, "carbonKeyCode");
    const auto modifiers = integerMember(object, "carbonModifiers");
    if (!code || !modifiers) {
        return std::nullopt;
    }
    return verbatim(*code, *modifiers);
}

std::optional<QString> Shortcut::keyText() const {
    if (auto fixed = fixedKeyText(key())) {
        return fixed;
    }
    return Internal::layoutKeyText(carbonKeyCode);
}

QString capitalizedWords(const QString& text) {
    QString result;
    result.reserve(text.size());
    bool wordStart = true;
    for (const QChar c : text) {
        if (c.isSpace()) {
            wordStart = true;
            result += c;
        } else {
            result += wordStart ? c.toUpper() : c.toLower();
            wordStart = false;
        }
    }
    return result;
}

QString Shortcut::description() const {
    const auto text = keyText();
    return presentableDescription(modifiers()) +
           (text ? capitalizedWords(*text) : QString(QChar(0xFFFD)));
}

QString Shortcut::keyEquivalent() const {
    const QString text = keyText().value_or(QString());
    if (characterCount(text) <= 1) {
        return text;
    }
    if (key() == Key::space) {
        return QStringLiteral(" ");
    }
    static const Key fKeys[] = {Key::f1,  Key::f2,  Key::f3,  Key::f4,  Key::f5,
                                Key::f6,  Key::f7,  Key::f8,  Key::f9,  Key::f10,
                                Key::f11, Key::f12, Key::f13, Key::f14, Key::f15,
                                Key::f16, Key::f17, Key::f18, Key::f19, Key::f20};
    for (int i = 0; i < 20; ++i) {
        if (fKeys[i] == key()) {
            return QString(QChar(0xF704 + i));
        }
    }
    return QString();
}

}  // namespace mirelon::GlobalShortcuts
