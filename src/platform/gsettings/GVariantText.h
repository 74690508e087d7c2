// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// Values of GSettings keys in the text form the gsettings command reads and
// prints (GVariant text): strings and string lists, and the edits Mirelon
// makes to the lists it shares with the user's other settings.
namespace mirelon::GVariantText {

// 'text' with quotes and backslashes escaped.
QString quote(const QString& text);
// A string value as gsettings prints it ('a', "it's"), none for anything else.
std::optional<QString> parseString(const QString& value);
// ['a', 'b'] (and @as [] for none).
QString formatStringList(const QStringList& list);
// A string list as gsettings prints it: ['a', 'b'], [], @as []; none for
// anything else (the caller leaves such a value alone).
std::optional<QStringList> parseStringList(const QString& value);

// The list with entry appended, unless it holds it already; the other
// entries keep their order.
QStringList withEntry(QStringList list, const QString& entry);
// The list without any copy of entry; the other entries keep their order.
QStringList withoutEntry(QStringList list, const QString& entry);

}  // namespace mirelon::GVariantText
