// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/gsettings/GVariantText.h"
#include "platform/gsettings/GSettingsCustomShortcuts.h"

#include <gtest/gtest.h>

namespace mirelon {
namespace {

using namespace GVariantText;

const QString kPath = GSettingsCustomShortcuts::entryPath(QStringLiteral("toggleMirelon"));

TEST(GVariantText, ReadsStringListsAsGsettingsPrintsThem) {
    EXPECT_EQ(parseStringList(QStringLiteral("@as []")), QStringList());
    EXPECT_EQ(parseStringList(QStringLiteral("[]")), QStringList());
    EXPECT_EQ(parseStringList(QStringLiteral("['/a/custom0/', '/a/custom1/']\n")),
              (QStringList{"/a/custom0/", "/a/custom1/"}));
    // Either quote, escapes, commas and brackets inside an entry.
    EXPECT_EQ(parseStringList(QStringLiteral(R"(["it's", 'a\'b', 'x, [y]', 'back\\slash'])")),
              (QStringList{"it's", "a'b", "x, [y]", "back\\slash"}));
    // Anything else is left alone by the caller: never half a list.
    for (const char* bad :
         {"", "['a'", "'a'", "['a' 'b']", "['a',]", "[a]", "['a'] x", "['unterminated]", "@as"}) {
        EXPECT_EQ(parseStringList(QString::fromLatin1(bad)), std::nullopt) << bad;
    }
}

TEST(GVariantText, WritesListsAndStringsTheCommandReadsBack) {
    EXPECT_EQ(formatStringList({}), QStringLiteral("@as []"));
    const QStringList odd = {"/a/", "it's", "back\\slash", "x, [y]"};
    EXPECT_EQ(formatStringList(odd),
              QStringLiteral(R"(['/a/', 'it\'s', 'back\\slash', 'x, [y]'])"));
    EXPECT_EQ(parseStringList(formatStringList(odd)), odd);
    EXPECT_EQ(quote(QStringLiteral("mirelon --action toggleMirelon")),
              QStringLiteral("'mirelon --action toggleMirelon'"));
    EXPECT_EQ(parseString(quote(QStringLiteral("<Control><Alt>'m"))),
              QStringLiteral("<Control><Alt>'m"));
    EXPECT_EQ(parseString(QStringLiteral("''")), QString());
    EXPECT_EQ(parseString(QStringLiteral("'a' 'b'")), std::nullopt);
    EXPECT_EQ(parseString(QStringLiteral("42")), std::nullopt);
}

TEST(GVariantText, AddingAndRemovingMirelonsEntryKeepsTheUsersOthers) {
    const QStringList users = {
        "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/custom0/",
        "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/custom1/"};
    const QStringList added = withEntry(users, kPath);
    EXPECT_EQ(added, users + QStringList{kPath});
    EXPECT_EQ(withEntry(added, kPath), added) << "added once";
    EXPECT_EQ(withoutEntry(added, kPath), users);
    EXPECT_EQ(withoutEntry(users, kPath), users) << "nothing to remove";
    // Between the user's entries, and even twice (an earlier hand edit).
    const QStringList mixed = {users[0], kPath, users[1], kPath};
    EXPECT_EQ(withoutEntry(mixed, kPath), users);
    EXPECT_EQ(withEntry(mixed, kPath), mixed);
    // Other programs' or another of Mirelon's entries stay.
    const QString other = GSettingsCustomShortcuts::entryPath(QStringLiteral("toggleText"));
    EXPECT_EQ(withoutEntry({other, kPath}, kPath), QStringList{other});
    // The round trip through the command's text form.
    EXPECT_EQ(parseStringList(formatStringList(withEntry(users, kPath))), added);
}

TEST(GVariantText, MirelonsEntryPathsAreValidAndItsOwn) {
    EXPECT_EQ(kPath, QStringLiteral("/org/gnome/settings-daemon/plugins/media-keys/"
                                    "custom-keybindings/mirelon-toggleMirelon/"));
    // Nothing from a name can leave Mirelon's folder of entries.
    EXPECT_EQ(GSettingsCustomShortcuts::entryPath(QStringLiteral("../x/ y'z")),
              GSettingsCustomShortcuts::pathPrefix + QStringLiteral("xyz/"));
    EXPECT_NE(GSettingsCustomShortcuts::entryPath(QStringLiteral("a")),
              GSettingsCustomShortcuts::entryPath(QStringLiteral("b")));
}

}  // namespace
}  // namespace mirelon
