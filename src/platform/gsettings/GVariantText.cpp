// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/gsettings/GVariantText.h"

namespace mirelon::GVariantText {

QString quote(const QString& text) {
    QString out;
    out.reserve(text.size() + 2);
    out += u'\'';
    for (const QChar c : text) {
        if (c == u'\\' || c == u'\'') {
            out += u'\\';
        }
        out += c;
    }
    out += u'\'';
    return out;
}

namespace {

// Reads one quoted string at text[*pos] (either quote), moving *pos past it.
std::optional<QString> readString(const QString& text, qsizetype* pos) {
    if (*pos >= text.size() || (text[*pos] != u'\'' && text[*pos] != u'"')) {
        return std::nullopt;
    }
    const QChar delimiter = text[*pos];
    QString out;
    for (qsizetype i = *pos + 1; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\\') {
            if (++i >= text.size()) {
                return std::nullopt;
            }
            const QChar escaped = text[i];
            // The escapes GVariant text uses for control characters.
            switch (escaped.unicode()) {
                case 'n':
                    out += u'\n';
                    break;
                case 't':
                    out += u'\t';
                    break;
                case 'r':
                    out += u'\r';
                    break;
                default:
                    out += escaped;
                    break;
            }
        } else if (c == delimiter) {
            *pos = i + 1;
            return out;
        } else {
            out += c;
        }
    }
    return std::nullopt;  // no closing quote
}

void skipSpaces(const QString& text, qsizetype* pos) {
    while (*pos < text.size() && text[*pos].isSpace()) {
        ++*pos;
    }
}

}  // namespace

std::optional<QString> parseString(const QString& value) {
    const QString text = value.trimmed();
    qsizetype pos = 0;
    auto out = readString(text, &pos);
    if (!out || pos != text.size()) {
        return std::nullopt;
    }
    return out;
}

QString formatStringList(const QStringList& list) {
    if (list.isEmpty()) {
        return QStringLiteral("@as []");
    }
    QStringList quoted;
    for (const QString& entry : list) {
        quoted << quote(entry);
    }
    return u'[' + quoted.join(QStringLiteral(", ")) + u']';
}

std::optional<QStringList> parseStringList(const QString& value) {
    QString text = value.trimmed();
    if (text.startsWith(QLatin1String("@as"))) {
        text = text.mid(3).trimmed();
    }
    if (!text.startsWith(u'[') || !text.endsWith(u']')) {
        return std::nullopt;
    }
    QStringList out;
    qsizetype pos = 1;
    const qsizetype end = text.size() - 1;
    skipSpaces(text, &pos);
    if (pos == end) {
        return out;
    }
    while (true) {
        skipSpaces(text, &pos);
        auto entry = readString(text, &pos);
        if (!entry) {
            return std::nullopt;
        }
        out << *entry;
        skipSpaces(text, &pos);
        if (pos == end) {
            return out;
        }
        if (pos > end || text[pos] != u',') {
            return std::nullopt;
        }
        ++pos;
    }
}

QStringList withEntry(QStringList list, const QString& entry) {
    if (!list.contains(entry)) {
        list << entry;
    }
    return list;
}

QStringList withoutEntry(QStringList list, const QString& entry) {
    list.removeAll(entry);
    return list;
}

}  // namespace mirelon::GVariantText
