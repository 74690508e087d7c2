// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <map>
#include <optional>

namespace mirelon {

// The [Desktop Entry] group of a desktop entry file, as far as autostart needs
// it: keys with their unescaped string values, and the Exec quoting rules.
class DesktopEntry {
public:
    // Largest file read; anything bigger is not a desktop entry we wrote or
    // would honour.
    static constexpr qint64 maximumFileSize = 64 * 1024;

    // Parses the text of a desktop entry file. None when the first group is
    // not [Desktop Entry], a line is malformed or the text is not UTF-8.
    static std::optional<DesktopEntry> parse(const QByteArray& text, QString* error = nullptr);

    std::optional<QString> value(const QString& key) const;
    bool boolValue(const QString& key, bool fallback) const;
    void setValue(const QString& key, const QString& value);

    // The file text: the group header and the keys in insertion order, values
    // escaped (\s, \n, \t, \r, \\) as the Desktop Entry format requires.
    QByteArray toText() const;

    // One Exec argument: quoted when it holds a reserved character, with `"`,
    // backtick, `$` and `\` escaped inside the quotes; `%` doubled.
    // alwaysQuote quotes even a plain argument.
    static QString quoteExecArgument(const QString& argument, bool alwaysQuote = false);
    // The arguments of an Exec value (after the string-level unescaping that
    // value() already did). None when the quoting is broken or a field code
    // other than %% appears inside a quoted argument.
    static std::optional<QStringList> splitExec(const QString& exec);

private:
    static QString escapeValue(const QString& value);
    static std::optional<QString> unescapeValue(const QString& raw);

    std::map<QString, QString> values_;
    QStringList order_;
};

}  // namespace mirelon
