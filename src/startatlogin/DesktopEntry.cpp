// SPDX-License-Identifier: GPL-3.0-or-later
#include "startatlogin/DesktopEntry.h"

#include <QStringDecoder>

namespace mirelon {

namespace {

const QString groupHeader = QStringLiteral("[Desktop Entry]");

bool isReservedInExec(QChar c) {
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    return reserved.contains(c);
}

bool isValidKey(const QString& key) {
    if (key.isEmpty()) {
        return false;
    }
    for (QChar c : key) {
        // Key names: A-Za-z0-9- plus an optional [locale] suffix.
        if (!(c.isLetterOrNumber() || c == u'-' || c == u'[' || c == u']' || c == u'_' ||
              c == u'@' || c == u'.')) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::optional<DesktopEntry> DesktopEntry::parse(const QByteArray& text, QString* error) {
    auto fail = [error](const QString& why) -> std::optional<DesktopEntry> {
        if (error) {
            *error = why;
        }
        return std::nullopt;
    };
    if (text.size() > maximumFileSize) {
        return fail(QStringLiteral("file larger than %1 bytes").arg(maximumFileSize));
    }
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString decoded = decoder.decode(text);
    if (decoder.hasError()) {
        return fail(QStringLiteral("not UTF-8"));
    }
    DesktopEntry entry;
    bool inMainGroup = false;
    bool sawGroup = false;
    int lineNumber = 0;
    for (const QString& rawLine : decoded.split(u'\n')) {
        ++lineNumber;
        QString line = rawLine;
        if (line.endsWith(u'\r')) {
            line.chop(1);
        }
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(u'#')) {
            continue;
        }
        if (trimmed.startsWith(u'[')) {
            if (!trimmed.endsWith(u']')) {
                return fail(QStringLiteral("line %1: malformed group header").arg(lineNumber));
            }
            if (!sawGroup && trimmed != groupHeader) {
                return fail(QStringLiteral("first group is not [Desktop Entry]"));
            }
            if (sawGroup && trimmed == groupHeader) {
                return fail(QStringLiteral("line %1: repeated [Desktop Entry]").arg(lineNumber));
            }
            inMainGroup = trimmed == groupHeader;
            sawGroup = true;
            continue;
        }
        if (!sawGroup) {
            return fail(QStringLiteral("line %1: key before the first group").arg(lineNumber));
        }
        const qsizetype eq = line.indexOf(u'=');
        if (eq <= 0) {
            return fail(QStringLiteral("line %1: not a key=value line").arg(lineNumber));
        }
        const QString key = line.left(eq).trimmed();
        if (!isValidKey(key)) {
            return fail(QStringLiteral("line %1: invalid key").arg(lineNumber));
        }
        if (!inMainGroup) {
            continue;
        }
        const auto value = unescapeValue(line.mid(eq + 1).trimmed());
        if (!value) {
            return fail(QStringLiteral("line %1: invalid escape").arg(lineNumber));
        }
        if (entry.values_.count(key)) {
            return fail(QStringLiteral("line %1: duplicate key %2").arg(lineNumber).arg(key));
        }
        entry.setValue(key, *value);
    }
    if (!sawGroup) {
        return fail(QStringLiteral("no [Desktop Entry] group"));
    }
    return entry;
}

std::optional<QString> DesktopEntry::value(const QString& key) const {
    auto it = values_.find(key);
    if (it == values_.end()) {
        return std::nullopt;
    }
    return it->second;
}

bool DesktopEntry::boolValue(const QString& key, bool fallback) const {
    const auto v = value(key);
    if (!v) {
        return fallback;
    }
    if (*v == QLatin1String("true")) {
        return true;
    }
    if (*v == QLatin1String("false")) {
        return false;
    }
    return fallback;
}

void DesktopEntry::setValue(const QString& key, const QString& value) {
    if (!values_.count(key)) {
        order_.append(key);
    }
    values_[key] = value;
}

QByteArray DesktopEntry::toText() const {
    QString out = groupHeader + u'\n';
    for (const QString& key : order_) {
        out += key + u'=' + escapeValue(values_.at(key)) + u'\n';
    }
    return out.toUtf8();
}

QString DesktopEntry::escapeValue(const QString& value) {
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c == u'\\') {
            out += QStringLiteral("\\\\");
        } else if (c == u'\n') {
            out += QStringLiteral("\\n");
        } else if (c == u'\t') {
            out += QStringLiteral("\\t");
        } else if (c == u'\r') {
            out += QStringLiteral("\\r");
        } else if (c == u' ' && (i == 0 || i == value.size() - 1)) {
            out += QStringLiteral("\\s");  // a leading or trailing space would be trimmed
        } else {
            out += c;
        }
    }
    return out;
}

std::optional<QString> DesktopEntry::unescapeValue(const QString& raw) {
    QString out;
    out.reserve(raw.size());
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const QChar c = raw.at(i);
        if (c != u'\\') {
            out += c;
            continue;
        }
        if (i + 1 >= raw.size()) {
            return std::nullopt;
        }
        const QChar n = raw.at(++i);
        switch (n.unicode()) {
            case 's':
                out += u' ';
                break;
            case 'n':
                out += u'\n';
                break;
            case 't':
                out += u'\t';
                break;
            case 'r':
                out += u'\r';
                break;
            case '\\':
                out += u'\\';
                break;
            default:
                // Other escapes (such as \; in lists) belong to the value's own
                // syntax: keep them for its reader.
                out += u'\\';
                out += n;
        }
    }
    return out;
}

QString DesktopEntry::quoteExecArgument(const QString& argument, bool alwaysQuote) {
    QString body;
    bool needsQuotes = alwaysQuote || argument.isEmpty();
    for (QChar c : argument) {
        if (isReservedInExec(c)) {
            needsQuotes = true;
        }
        if (c == u'%') {
            body += QStringLiteral("%%");
        } else {
            body += c;
        }
    }
    if (!needsQuotes) {
        return body;
    }
    QString quoted = QStringLiteral("\"");
    for (QChar c : body) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\') {
            quoted += u'\\';
        }
        quoted += c;
    }
    quoted += u'"';
    return quoted;
}

std::optional<QStringList> DesktopEntry::splitExec(const QString& exec) {
    QStringList args;
    QString current;
    bool inArgument = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec.at(i);
        if (c == u'"') {
            inArgument = true;
            ++i;
            bool closed = false;
            for (; i < exec.size(); ++i) {
                const QChar q = exec.at(i);
                if (q == u'"') {
                    closed = true;
                    break;
                }
                if (q == u'\\') {
                    if (i + 1 >= exec.size()) {
                        return std::nullopt;
                    }
                    const QChar n = exec.at(i + 1);
                    if (n == u'"' || n == u'`' || n == u'$' || n == u'\\') {
                        current += n;
                        ++i;
                        continue;
                    }
                    return std::nullopt;
                }
                if (q == u'%') {
                    if (i + 1 < exec.size() && exec.at(i + 1) == u'%') {
                        current += u'%';
                        ++i;
                        continue;
                    }
                    return std::nullopt;
                }
                current += q;
            }
            if (!closed) {
                return std::nullopt;
            }
            continue;
        }
        if (c == u' ' || c == u'\t') {
            if (inArgument) {
                args.append(current);
                current.clear();
                inArgument = false;
            }
            continue;
        }
        if (c == u'%' && i + 1 < exec.size() && exec.at(i + 1) == u'%') {
            current += u'%';
            ++i;
        } else {
            current += c;
        }
        inArgument = true;
    }
    if (inArgument) {
        args.append(current);
    }
    return args;
}

}  // namespace mirelon
