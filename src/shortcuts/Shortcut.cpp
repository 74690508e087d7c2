#include "shortcuts/Shortcut.h"

#include "shortcuts/GlobalShortcuts.h"
#include "shortcuts/GlobalShortcutsInternal.h"
#include "shortcuts/ShortcutTexts.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QKeyEvent>
#include <QTextBoundaryFinder>

#include <cmath>
#include <limits>

namespace mirelon::GlobalShortcuts {
namespace {

QString withKeycap(const char16_t* base) {
    return QString::fromUtf16(base) + QChar(0x20E3);
}

// Fixed display texts of keys whose engraving is not a layout character.
std::optional<QString> fixedKeyText(Key key) {
    const std::int64_t k = key.rawValue;
    if (k == Key::returnKey.rawValue)
        return QString(QChar(0x21A9));
    if (k == Key::deleteKey.rawValue)
        return QString(QChar(0x232B));
    if (k == Key::deleteForward.rawValue)
        return QString(QChar(0x2326));
    if (k == Key::end.rawValue)
        return QString(QChar(0x2198));
    if (k == Key::escape.rawValue)
        return QString(QChar(0x238B));
    if (k == Key::help.rawValue)
        return QStringLiteral("?") + QChar(0x20DD);
    if (k == Key::home.rawValue)
        return QString(QChar(0x2196));
    if (k == Key::space.rawValue)
        return localizedText(QStringLiteral("space_key"));
    if (k == Key::tab.rawValue)
        return QString(QChar(0x21E5));
    if (k == Key::pageUp.rawValue)
        return QString(QChar(0x21DE));
    if (k == Key::pageDown.rawValue)
        return QString(QChar(0x21DF));
    if (k == Key::upArrow.rawValue)
        return QString(QChar(0x2191));
    if (k == Key::rightArrow.rawValue)
        return QString(QChar(0x2192));
    if (k == Key::downArrow.rawValue)
        return QString(QChar(0x2193));
    if (k == Key::leftArrow.rawValue)
        return QString(QChar(0x2190));
    static const Key fKeys[] = {Key::f1,  Key::f2,  Key::f3,  Key::f4,  Key::f5,
                                Key::f6,  Key::f7,  Key::f8,  Key::f9,  Key::f10,
                                Key::f11, Key::f12, Key::f13, Key::f14, Key::f15,
                                Key::f16, Key::f17, Key::f18, Key::f19, Key::f20};
    for (int i = 0; i < 20; ++i) {
        if (fKeys[i] == key) {
            return QStringLiteral("F%1").arg(i + 1);
        }
    }
    static const Key keypadDigits[] = {Key::keypad0, Key::keypad1, Key::keypad2, Key::keypad3,
                                       Key::keypad4, Key::keypad5, Key::keypad6, Key::keypad7,
                                       Key::keypad8, Key::keypad9};
    for (int i = 0; i < 10; ++i) {
        if (keypadDigits[i] == key) {
            return QString(QChar(u'0' + i)) + QChar(0x20E3);
        }
    }
    if (k == Key::keypadClear.rawValue)
        return withKeycap(u"\u2612");
    if (k == Key::keypadDecimal.rawValue)
        return withKeycap(u".");
    if (k == Key::keypadDivide.rawValue)
        return withKeycap(u"/");
    if (k == Key::keypadEnter.rawValue)
        return withKeycap(u"\u21A9");
    if (k == Key::keypadEquals.rawValue)
        return withKeycap(u"=");
    if (k == Key::keypadMinus.rawValue)
        return withKeycap(u"-");
    if (k == Key::keypadMultiply.rawValue)
        return withKeycap(u"*");
    if (k == Key::keypadPlus.rawValue)
        return withKeycap(u"+");
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
