// SPDX-License-Identifier: GPL-3.0-or-later
// GNOME's custom shortcuts through a stand-in gsettings command that keeps
// its values in a JSON file, so that the real processes, their order and the
// values they are given are what the test sees.
#include "platform/gsettings/GSettingsCustomShortcuts.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace mirelon {
namespace {

const char* kFakeGsettings = R"PY(#!/usr/bin/env python3
import json, os, sys
store = os.path.join(os.path.dirname(os.path.abspath(__file__)), "store.json")
data = json.load(open(store)) if os.path.exists(store) else {}
with open(store + ".log", "a") as log:
    log.write(" ".join(sys.argv[1:]) + "\n")
verb, schema, key = sys.argv[1:4]
name = schema + " " + key
if verb == "get":
    if name in data:
        print(data[name])
    elif key in ("custom-keybindings",):
        print("@as []")
    else:
        print("''")
elif verb == "set":
    data[name] = sys.argv[4]
elif verb == "reset":
    data.pop(name, None)
else:
    sys.exit(1)
json.dump(data, open(store, "w"))
)PY";

const QString kList =
    GSettingsCustomShortcuts::listSchema + u' ' + GSettingsCustomShortcuts::listKey;
const QString kUsers =
    QStringLiteral("/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/custom0/");

class GSettingsShortcuts : public ::testing::Test {
protected:
    void SetUp() override {
        savedPath_ = qgetenv("PATH");
        savedDesktop_ = qgetenv("XDG_CURRENT_DESKTOP");
        QFile script(dir.filePath(QStringLiteral("gsettings")));
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write(kFakeGsettings);
        script.close();
        script.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                              QFileDevice::ExeOwner);
        qputenv("PATH", dir.path().toUtf8() + ':' + savedPath_);
        qputenv("XDG_CURRENT_DESKTOP", "GNOME");
    }
    void TearDown() override {
        qputenv("PATH", savedPath_);
        qputenv("XDG_CURRENT_DESKTOP", savedDesktop_);
    }
    void preset(const QJsonObject& values) {
        QFile f(dir.filePath(QStringLiteral("store.json")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QJsonDocument(values).toJson());
    }
    QJsonObject stored() {
        QFile f(dir.filePath(QStringLiteral("store.json")));
        return f.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(f.readAll()).object()
                                           : QJsonObject();
    }
    QString entry(const QString& key) {
        return GSettingsCustomShortcuts::entrySchema + u':' +
               GSettingsCustomShortcuts::entryPath(QStringLiteral("toggleMirelon")) + u' ' + key;
    }
    // Runs the loop until done is set (generous ceiling for loaded machines).
    static bool waitFor(const bool& done) {
        QDeadlineTimer deadline(60000);
        while (!done && !deadline.hasExpired()) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        }
        return done;
    }

    QTemporaryDir dir;
    GSettingsCustomShortcuts shortcuts;

private:
    QByteArray savedPath_;
    QByteArray savedDesktop_;
};

TEST_F(GSettingsShortcuts, AddFindAndRemoveKeepTheUsersOwnShortcut) {
    preset({{kList, QStringLiteral("['%1']").arg(kUsers)}});
    ASSERT_TRUE(shortcuts.isAvailable());

    bool added = false;
    bool ok = false;
    shortcuts.add(
        {QStringLiteral("toggleMirelon"), QStringLiteral("Mirelon: Toggle Mirelon"),
         QStringLiteral("mirelon --action toggleMirelon"), QStringLiteral("<Control><Alt>m")},
        [&](bool success, const QString&) {
            ok = success;
            added = true;
        });
    ASSERT_TRUE(waitFor(added));
    EXPECT_TRUE(ok);
    const QString path = GSettingsCustomShortcuts::entryPath(QStringLiteral("toggleMirelon"));
    QJsonObject values = stored();
    EXPECT_EQ(values.value(kList).toString(), QStringLiteral("['%1', '%2']").arg(kUsers, path));
    EXPECT_EQ(values.value(entry("name")).toString(), QStringLiteral("'Mirelon: Toggle Mirelon'"));
    EXPECT_EQ(values.value(entry("command")).toString(),
              QStringLiteral("'mirelon --action toggleMirelon'"));
    EXPECT_EQ(values.value(entry("binding")).toString(), QStringLiteral("'<Control><Alt>m'"));

    bool found = false;
    std::optional<QString> accelerator;
    shortcuts.find(QStringLiteral("toggleMirelon"), [&](std::optional<QString> a) {
        accelerator = a;
        found = true;
    });
    ASSERT_TRUE(waitFor(found));
    EXPECT_EQ(accelerator, QStringLiteral("<Control><Alt>m"));

    bool removed = false;
    shortcuts.remove(QStringLiteral("toggleMirelon"), [&](bool success, const QString&) {
        ok = success;
        removed = true;
    });
    ASSERT_TRUE(waitFor(removed));
    EXPECT_TRUE(ok);
    values = stored();
    EXPECT_EQ(values.value(kList).toString(), QStringLiteral("['%1']").arg(kUsers));
    EXPECT_FALSE(values.contains(entry("binding")));
    found = false;
    shortcuts.find(QStringLiteral("toggleMirelon"), [&](std::optional<QString> a) {
        accelerator = a;
        found = true;
    });
    ASSERT_TRUE(waitFor(found));
    EXPECT_EQ(accelerator, std::nullopt);
}

TEST_F(GSettingsShortcuts, AnUnreadableListIsLeftAloneAndReported) {
    const QString garbled = QStringLiteral("['%1'").arg(kUsers);
    preset({{kList, garbled}});
    bool answered = false;
    bool ok = true;
    shortcuts.add({QStringLiteral("toggleMirelon"), QStringLiteral("t"), QStringLiteral("c"),
                   QStringLiteral("<Super>F9")},
                  [&](bool success, const QString&) {
                      ok = success;
                      answered = true;
                  });
    ASSERT_TRUE(waitFor(answered));
    EXPECT_FALSE(ok);
    EXPECT_EQ(stored().value(kList).toString(), garbled);
    EXPECT_FALSE(stored().contains(entry("binding")));
}

TEST_F(GSettingsShortcuts, EditsQueuedTogetherBothReachTheList) {
    // Two rows added at once: the second edit reads the list the first wrote.
    int answers = 0;
    for (const char* id : {"toggleMirelon", "toggleText"}) {
        shortcuts.add({QString::fromLatin1(id), QStringLiteral("t"), QStringLiteral("c"),
                       QStringLiteral("<Super>F9")},
                      [&](bool, const QString&) { ++answers; });
    }
    QDeadlineTimer deadline(60000);
    while (answers < 2 && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    ASSERT_EQ(answers, 2);
    EXPECT_EQ(stored().value(kList).toString(),
              QStringLiteral("['%1', '%2']")
                  .arg(GSettingsCustomShortcuts::entryPath(QStringLiteral("toggleMirelon")),
                       GSettingsCustomShortcuts::entryPath(QStringLiteral("toggleText"))));
}

}  // namespace
}  // namespace mirelon
