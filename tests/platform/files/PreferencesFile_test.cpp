// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/files/PreferencesFile.h"
#include "platform/files/PreferencesSaveRefusal.h"

#include "capture/LogCapture.h"
#include "support/TempConfig.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cmath>
#include <cstdlib>

namespace mirelon {
namespace {

using testing::TempDefaults;

QJsonObject fileObject(const TempDefaults& t) {
    return QJsonDocument::fromJson(t.fileContent()).object();
}

TEST(PreferencesFile, WritesEachTypeInItsJsonFormWithPrivateMode) {
    TempDefaults t;
    EXPECT_FALSE(QFileInfo::exists(t.path())) << "nothing is written before a change";
    t.defaults->setBool("isMirelonOn", false);
    t.defaults->setDouble("hoverOpacity", 0.25);
    t.defaults->setString("menuBarIcon", "camera");
    t.defaults->setData("blob", QByteArray("[1,2]"));

    const QJsonObject o = fileObject(t);
    EXPECT_EQ(o.value("isMirelonOn"), QJsonValue(false));
    EXPECT_EQ(o.value("hoverOpacity"), QJsonValue(0.25));
    EXPECT_EQ(o.value("menuBarIcon"), QJsonValue("camera"));
    EXPECT_EQ(o.value("blob").toObject().value("$data"), QJsonValue("WzEsMl0="));

    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(t.path()).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    // No temporary files are left behind.
    EXPECT_EQ(QDir(t.dir.path() + "/mirelon").entryList(QDir::Files | QDir::Hidden).size(), 1);

    t.reopen();
    EXPECT_EQ(t.defaults->boolValue("isMirelonOn"), false);
    EXPECT_EQ(t.defaults->doubleValue("hoverOpacity"), 0.25);
    EXPECT_EQ(t.defaults->stringValue("menuBarIcon"), "camera");
    EXPECT_EQ(t.defaults->dataValue("blob"), QByteArray("[1,2]"));
}

TEST(PreferencesFile, TypedReadsFollowThePlatformRules) {
    TempDefaults t;
    t.writeFile(R"({"n": 2, "b": true, "s": "x", "d": {"$data": "eA=="},
                    "notData": {"$data": 5}, "two": {"$data": "eA==", "more": 1}, "z": null})");
    t.reopen();
    auto& d = *t.defaults;
    EXPECT_EQ(d.boolValue("n"), true);
    EXPECT_EQ(d.doubleValue("b"), 1.0);
    EXPECT_FALSE(d.boolValue("s").has_value());
    EXPECT_FALSE(d.doubleValue("s").has_value());
    EXPECT_FALSE(d.stringValue("n").has_value());
    EXPECT_EQ(d.stringValue("n", true), "2");
    EXPECT_EQ(d.dataValue("d"), QByteArray("x"));
    EXPECT_FALSE(d.dataValue("s").has_value());
    EXPECT_FALSE(d.dataValue("notData").has_value());
    EXPECT_FALSE(d.dataValue("two").has_value());
    EXPECT_FALSE(d.boolValue("z").has_value());
    EXPECT_FALSE(d.boolValue("absent").has_value());
    EXPECT_TRUE(d.boolValue("absent", true));
}

TEST(PreferencesFile, EveryWritePostsOneNotification) {
    TempDefaults t;
    const int changes = t.count(Notifications::defaultsChanged);
    t.defaults->setBool("a", true);
    t.defaults->setBool("a", true);
    t.defaults->remove("a");
    EXPECT_EQ(t.counted(changes), 3);
    t.defaults->setDouble("x", std::nan(""));
    EXPECT_EQ(t.counted(changes), 3) << "a non-finite number is refused";
    EXPECT_FALSE(t.defaults->contains("x"));
}

TEST(PreferencesFile, CorruptFileReadsEmptyAndIsKeptAsideBeforeTheNextWrite) {
    TempDefaults t;
    const QByteArray garbage = "{\"isMirelonOn\": tru";
    t.writeFile(garbage);
    t.reopen();
    EXPECT_TRUE(t.defaults->keys().isEmpty());
    EXPECT_EQ(t.fileContent(), garbage) << "reading alone never touches the file";

    t.defaults->setBool("textVisible", false);
    const QStringList aside =
        QDir(t.dir.path() + "/mirelon").entryList({"defaults.json.corrupt-*"}, QDir::Files);
    ASSERT_EQ(aside.size(), 1);
    QFile kept(t.dir.path() + "/mirelon/" + aside.first());
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), garbage);
    EXPECT_EQ(fileObject(t).value("textVisible"), QJsonValue(false));
}

TEST(PreferencesFile, NonObjectTopLevelCountsAsCorrupt) {
    TempDefaults t;
    t.writeFile("[1, 2, 3]");
    t.reopen();
    t.defaults->setBool("a", true);
    EXPECT_EQ(QDir(t.dir.path() + "/mirelon").entryList({"defaults.json.corrupt-*"}).size(), 1);
}

TEST(PreferencesFile, OutsideEditsAreReloadedAndAnnouncedOwnWritesAreNot) {
    TempDefaults t;
    t.defaults->setBool("ringLightEnabled", false);
    const int changes = t.count(Notifications::defaultsChanged);

    t.defaults->reloadFromDisk();
    EXPECT_EQ(t.counted(changes), 0) << "our own write is not reported twice";

    t.writeFile(R"({"ringLightEnabled": true})");
    t.defaults->reloadFromDisk();
    EXPECT_EQ(t.counted(changes), 1);
    EXPECT_EQ(t.defaults->boolValue("ringLightEnabled"), true);

    t.defaults->reloadFromDisk();
    EXPECT_EQ(t.counted(changes), 1) << "an unchanged file posts nothing";
}

TEST(PreferencesFile, FailedWriteKeepsTheValueInMemory) {
    QTemporaryDir dir;
    QFile blocker(dir.path() + "/notAFolder");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EventBus center;
    PreferencesFile d(dir.path() + "/notAFolder/mirelon/defaults.json", center);
    d.setBool("isMirelonOn", true);
    EXPECT_FALSE(d.lastWriteSucceeded());
    EXPECT_EQ(d.boolValue("isMirelonOn"), true);
}

TEST(PreferencesFile, DirectoryInPlaceOfTheFileReadsEmptyAndIsNotDestroyed) {
    TempDefaults t;
    QDir().mkpath(t.path());
    t.reopen();
    EXPECT_TRUE(t.defaults->keys().isEmpty());
    t.defaults->setBool("a", true);
    EXPECT_TRUE(QFileInfo(t.path()).isDir());
    EXPECT_EQ(t.defaults->boolValue("a"), true);
}

mode_t modeOf(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? (st.st_mode & 0777) : 0;
}

TEST(PreferencesFile, SymlinkedFileIsReplacedAtItsTargetAndTheLinkStays) {
    TempDefaults t;
    // defaults.json -> ../dotfiles/prefs.json -> real/prefs.json (relative links).
    const QString dotfiles = t.dir.path() + "/dotfiles";
    QDir().mkpath(dotfiles + "/real");
    QDir().mkpath(t.dir.path() + "/mirelon");
    const QString target = dotfiles + "/real/prefs.json";
    {
        QFile f(target);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(R"({"hoverOpacity": 0.5})");
    }
    ASSERT_EQ(::symlink("real/prefs.json", QFile::encodeName(dotfiles + "/prefs.json")), 0);
    ASSERT_EQ(::symlink("../dotfiles/prefs.json", QFile::encodeName(t.path())), 0);
    t.reopen();
    EXPECT_EQ(t.defaults->doubleValue("hoverOpacity"), 0.5);

    t.defaults->setBool("isMirelonOn", true);
    EXPECT_TRUE(t.defaults->lastWriteSucceeded());
    EXPECT_TRUE(QFileInfo(t.path()).isSymLink());
    EXPECT_TRUE(QFileInfo(dotfiles + "/prefs.json").isSymLink());
    QFile written(target);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QJsonObject o = QJsonDocument::fromJson(written.readAll()).object();
    EXPECT_EQ(o.value("isMirelonOn"), QJsonValue(true));
    EXPECT_EQ(o.value("hoverOpacity"), QJsonValue(0.5));
    EXPECT_EQ(modeOf(target), 0600u);
    EXPECT_EQ(QDir(dotfiles + "/real").entryList(QDir::Files | QDir::Hidden).size(), 1)
        << "no temporary left next to the target";

    // An unreadable target is kept aside next to itself; the link still leads there.
    {
        QFile f(target);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("{broken");
    }
    t.reopen();
    t.defaults->setBool("isMirelonOn", false);
    EXPECT_TRUE(QFileInfo(t.path()).isSymLink());
    EXPECT_EQ(QDir(dotfiles + "/real").entryList({"prefs.json.corrupt-*"}).size(), 1);
    t.reopen();
    EXPECT_EQ(t.defaults->boolValue("isMirelonOn"), false);
}

// What a save must never replace: a FIFO and a pseudo-terminal of the test's
// own, reached through a link, as the program would meet them in a
// dotfiles folder.
struct SpecialTarget {
    QString path;
    dev_t device = 0;
    ino_t inode = 0;
    mode_t type = 0;
    int ptyMaster = -1;
    ~SpecialTarget() {
        if (ptyMaster >= 0) {
            ::close(ptyMaster);
        }
    }
    bool stillThere() const {
        struct stat st {};
        return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && st.st_dev == device &&
               st.st_ino == inode && (st.st_mode & S_IFMT) == type;
    }
};

bool remember(SpecialTarget& target) {
    struct stat st {};
    if (::lstat(QFile::encodeName(target.path).constData(), &st) != 0) {
        return false;
    }
    target.device = st.st_dev;
    target.inode = st.st_ino;
    target.type = st.st_mode & S_IFMT;
    return true;
}

TEST(PreferencesFile, LinksToWhatIsNotARegularFileAreNeverWrittenThrough) {
    SpecialTarget fifo;
    SpecialTarget pty;
    QTemporaryDir elsewhere;
    fifo.path = elsewhere.path() + "/pipe";
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo.path).constData(), 0600), 0);
    ASSERT_TRUE(remember(fifo));
    pty.ptyMaster = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (pty.ptyMaster < 0 || ::grantpt(pty.ptyMaster) != 0 || ::unlockpt(pty.ptyMaster) != 0 ||
        ::ptsname(pty.ptyMaster) == nullptr) {
        GTEST_SKIP() << "no pseudo-terminal to be had";
    }
    pty.path = QString::fromLocal8Bit(::ptsname(pty.ptyMaster));
    ASSERT_TRUE(remember(pty));
    ASSERT_EQ(pty.type, static_cast<mode_t>(S_IFCHR));

    for (SpecialTarget* target : {&fifo, &pty}) {
        SCOPED_TRACE(target->path.toStdString());
        testing::LogCapture log("app.mirelon.Mirelon.defaults");
        TempDefaults t;
        QDir().mkpath(t.dir.path() + "/mirelon");
        ASSERT_EQ(::symlink(QFile::encodeName(target->path).constData(),
                            QFile::encodeName(t.path()).constData()),
                  0);
        t.reopen();  // reading never opens it: a FIFO would hang here
        const int refused = t.count(PreferencesSaveRefusal::notification);
        QVariant announced;
        t.tokens.push_back(
            t.center.addObserver(PreferencesSaveRefusal::notification,
                                 [&announced](const Notification& n) { announced = n.object; }));

        t.defaults->setBool("isMirelonOn", true);
        t.defaults->setDouble("hoverOpacity", 0.5);
        t.defaults->remove("isMirelonOn");

        EXPECT_TRUE(target->stillThere()) << "the special file was replaced";
        EXPECT_TRUE(QFileInfo(t.path()).isSymLink());
        EXPECT_EQ(QFileInfo(t.path()).symLinkTarget(), target->path);
        EXPECT_FALSE(t.defaults->lastWriteSucceeded());
        EXPECT_EQ(t.defaults->doubleValue("hoverOpacity"), 0.5) << "settings live on in memory";
        EXPECT_EQ(t.counted(refused), 1) << "the user is told once";
        EXPECT_EQ(announced.toString(), t.path());
        EXPECT_EQ(log.countStartingWith("Not saving preferences to " + t.path() +
                                        ": it is a symbolic link to " + target->path +
                                        ", which is not a regular file"),
                  1)
            << "logged once, with the reason";
        EXPECT_TRUE(QDir(QFileInfo(target->path).absolutePath())
                        .entryList({".defaults.json.*", "*.corrupt-*"},
                                   QDir::Files | QDir::Hidden | QDir::System)
                        .isEmpty())
            << "nothing written or moved next to the target";
    }
}

TEST(PreferencesFile, LinkToAMissingFileIsFollowedOnlyIntoAFolderOfOneSOwn) {
    TempDefaults t;
    QDir().mkpath(t.dir.path() + "/mirelon");
    QDir().mkpath(t.dir.path() + "/dotfiles");
    const QString target = t.dir.path() + "/dotfiles/prefs.json";
    ASSERT_EQ(::symlink(QFile::encodeName(target).constData(), QFile::encodeName(t.path())), 0);
    t.reopen();
    t.defaults->setBool("a", true);
    EXPECT_TRUE(t.defaults->lastWriteSucceeded());
    EXPECT_TRUE(QFileInfo(t.path()).isSymLink());
    EXPECT_TRUE(QFileInfo(target).isFile());

    // A link into a folder that does not exist is not followed (nor made).
    ASSERT_EQ(::unlink(QFile::encodeName(t.path()).constData()), 0);
    const QString nowhere = t.dir.path() + "/absent/prefs.json";
    ASSERT_EQ(::symlink(QFile::encodeName(nowhere).constData(), QFile::encodeName(t.path())), 0);
    t.reopen();
    t.defaults->setBool("a", false);
    EXPECT_FALSE(t.defaults->lastWriteSucceeded());
    EXPECT_FALSE(QFileInfo::exists(t.dir.path() + "/absent"));
}

TEST(PreferencesFile, FifoInPlaceOfTheFileIsKeptAsideNeverOpened) {
    testing::LogCapture log("app.mirelon.Mirelon.defaults");
    TempDefaults t;
    QDir().mkpath(t.dir.path() + "/mirelon");
    ASSERT_EQ(::mkfifo(QFile::encodeName(t.path()).constData(), 0600), 0);
    SpecialTarget fifo;
    fifo.path = t.path();
    ASSERT_TRUE(remember(fifo));
    t.reopen();  // a blocking open would never return
    EXPECT_TRUE(t.defaults->keys().isEmpty());
    EXPECT_EQ(log.countStartingWith("Preferences file " + t.path() +
                                    " cannot be read (not a regular file)"),
              1);
    EXPECT_TRUE(fifo.stillThere()) << "reading alone never touches it";

    t.defaults->setBool("textVisible", false);
    EXPECT_TRUE(t.defaults->lastWriteSucceeded());
    const QStringList aside =
        QDir(t.dir.path() + "/mirelon")
            .entryList({"defaults.json.corrupt-*"}, QDir::Files | QDir::System);
    ASSERT_EQ(aside.size(), 1);
    fifo.path = t.dir.path() + "/mirelon/" + aside.first();
    EXPECT_TRUE(fifo.stillThere()) << "the FIFO itself is what was kept aside";
    EXPECT_EQ(fileObject(t).value("textVisible"), QJsonValue(false));
}

TEST(PreferencesFile, LinkLoopFailsTheSaveAndKeepsTheValueInMemory) {
    TempDefaults t;
    QDir().mkpath(t.dir.path() + "/mirelon");
    ASSERT_EQ(::symlink("defaults.json", QFile::encodeName(t.path())), 0);
    t.reopen();
    t.defaults->setBool("a", true);
    EXPECT_FALSE(t.defaults->lastWriteSucceeded());
    EXPECT_EQ(t.defaults->boolValue("a"), true);
    EXPECT_TRUE(QFileInfo(t.path()).isSymLink()) << "the link is never replaced";
}

TEST(PreferencesFile, TemporariesOfAnInterruptedSaveAreRemovedAtStartOthersAreKept) {
    TempDefaults t;
    t.defaults->setBool("a", true);
    const QString folder = t.dir.path() + "/mirelon";
    const QStringList ours = {".defaults.json.Ab12Cd", ".defaults.json.zzzzzz"};
    const QStringList notOurs = {".defaults.json.keep-this", "defaults.json.bak", "notes.txt"};
    for (const QString& name : ours + notOurs) {
        QFile f(folder + "/" + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("{\"half\": ");
    }
    t.reopen();
    for (const QString& name : ours) {
        EXPECT_FALSE(QFileInfo::exists(folder + "/" + name)) << name.toStdString();
    }
    for (const QString& name : notOurs) {
        EXPECT_TRUE(QFileInfo::exists(folder + "/" + name)) << name.toStdString();
    }
    EXPECT_EQ(t.defaults->boolValue("a"), true);
}

TEST(PreferencesFile, FolderWritableByOthersIsReportedOnce) {
    testing::LogCapture log("app.mirelon.Mirelon.defaults");
    TempDefaults t;
    const QString folder = t.dir.path() + "/mirelon";
    EXPECT_EQ(log.countStartingWith("The preferences folder"), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 0777), 0);
    t.reopen();
    t.defaults->setBool("a", true);
    t.defaults->setBool("b", true);
    t.defaults->reloadFromDisk();
    EXPECT_EQ(log.countStartingWith("The preferences folder " + folder + " is writable by other"),
              1);
}

TEST(PreferencesFile, CopyValueAsideKeepsTheExactValue) {
    TempDefaults t;
    t.defaults->setString("k", "precious");
    const QString key = t.defaults->copyValueAside("k");
    EXPECT_TRUE(key.startsWith("k.corrupt-"));
    EXPECT_EQ(t.defaults->stringValue(key), "precious");
    EXPECT_TRUE(t.defaults->copyValueAside("absent").isEmpty());
}

}  // namespace
}  // namespace mirelon
