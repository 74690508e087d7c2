// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ShellExtension.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace mirelon {
namespace {

// The user's data folder in a temporary folder for the test's length.
class UserData {
public:
    UserData() : saved_(qgetenv("XDG_DATA_HOME")), savedDirs_(qgetenv("XDG_DATA_DIRS")) {
        qputenv("XDG_DATA_HOME", dir.path().toUtf8());
        qputenv("XDG_DATA_DIRS", dir.filePath(QStringLiteral("system")).toUtf8());
    }
    ~UserData() {
        qputenv("XDG_DATA_HOME", saved_);
        qputenv("XDG_DATA_DIRS", savedDirs_);
    }
    QTemporaryDir dir;

private:
    QByteArray saved_;
    QByteArray savedDirs_;
};

TEST(ShellExtensionFiles, CopiesTheBundledExtensionIntoTheUsersExtensions) {
    // The build puts a copy beside the programs (<build>/share/...).
    const QString bundled = ShellExtension::bundledFolder();
    ASSERT_FALSE(bundled.isEmpty()) << "the build's copy of the extension is missing";
    UserData data;
    const QString target = ShellExtension::userFolder();
    EXPECT_EQ(target,
              data.dir.path() + QStringLiteral("/gnome-shell/extensions/mirelon@mirelon.app"));
    EXPECT_FALSE(ShellExtension::isInstalled());

    // An older copy with a file the new one no longer has.
    QDir().mkpath(target);
    QFile stale(target + QStringLiteral("/old.js"));
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.close();

    QString error;
    ASSERT_TRUE(ShellExtension::copyToUser(&error)) << error.toStdString();
    EXPECT_TRUE(ShellExtension::isInstalled());
    for (const char* name : {"metadata.json", "extension.js", "app.mirelon.Shell.xml"}) {
        QFile copy(target + u'/' + QString::fromLatin1(name));
        QFile original(bundled + u'/' + QString::fromLatin1(name));
        ASSERT_TRUE(copy.open(QIODevice::ReadOnly)) << name;
        ASSERT_TRUE(original.open(QIODevice::ReadOnly)) << name;
        EXPECT_EQ(copy.readAll(), original.readAll()) << name;
    }
    EXPECT_FALSE(QFile::exists(target + QStringLiteral("/old.js")));
    EXPECT_FALSE(QFile::exists(target + QStringLiteral(".new")));
}

TEST(ShellExtensionFiles, AnUnwritableDataFolderIsAReasonNotACrash) {
    UserData data;
    // A file where the extensions folder should be.
    QDir().mkpath(data.dir.path() + QStringLiteral("/gnome-shell"));
    QFile blocker(data.dir.path() + QStringLiteral("/gnome-shell/extensions"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QString error;
    EXPECT_FALSE(ShellExtension::copyToUser(&error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(ShellExtension::isInstalled());
}

TEST(ShellExtensionFiles, ASystemCopyCountsAsInstalled) {
    UserData data;
    const QString system =
        data.dir.filePath(QStringLiteral("system/gnome-shell/extensions/mirelon@mirelon.app"));
    QDir().mkpath(system);
    EXPECT_FALSE(ShellExtension::isInstalled()) << "an empty folder is no extension";
    for (const char* name : {"metadata.json", "extension.js", "app.mirelon.Shell.xml"}) {
        QFile f(system + u'/' + QString::fromLatin1(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    EXPECT_TRUE(ShellExtension::isInstalled());
}

}  // namespace
}  // namespace mirelon
