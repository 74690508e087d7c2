// SPDX-License-Identifier: GPL-3.0-or-later
#include "startatlogin/StartAtLogin.h"
#include "startatlogin/DesktopEntry.h"
#include "startatlogin/XdgAutostart.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace mirelon;

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& text) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text);
}

// Collects the messages of one logging category while alive.
class LogCapture {
public:
    explicit LogCapture(const char* category) : category_(category) {
        current() = this;
        previous_ = qInstallMessageHandler(&LogCapture::handler);
    }
    ~LogCapture() {
        qInstallMessageHandler(previous_);
        current() = nullptr;
    }
    QStringList lines;
    QList<QtMsgType> types;

private:
    static LogCapture*& current() {
        static LogCapture* c = nullptr;
        return c;
    }
    static void handler(QtMsgType type, const QMessageLogContext& ctx, const QString& msg) {
        if (current() && ctx.category && qstrcmp(ctx.category, current()->category_) == 0) {
            current()->lines.append(msg);
            current()->types.append(type);
        }
    }
    const char* category_;
    QtMessageHandler previous_ = nullptr;
};

class Env {
public:
    Env(const char* name, const QByteArray& value)
        : name_(name), had_(qEnvironmentVariableIsSet(name)), old_(qgetenv(name)) {
        qputenv(name, value);
    }
    ~Env() {
        if (had_) {
            qputenv(name_, old_);
        } else {
            qunsetenv(name_);
        }
    }

private:
    const char* name_;
    bool had_;
    QByteArray old_;
};

}  // namespace

TEST(DesktopEntryTest, ExecQuotingSurvivesEveryReservedCharacter) {
    const QStringList paths = {
        QStringLiteral("/opt/My Apps/mirelon"),
        QStringLiteral("/tmp/a\"b'c/mi$re`lon"),
        QStringLiteral("/tmp/back\\slash/100%/mirelon"),
        QStringLiteral("/tmp/semi;colon & (paren)/#hash?*~<>|"),
        QStringLiteral("/plain/path/mirelon"),
    };
    for (const QString& path : paths) {
        DesktopEntry entry;
        entry.setValue(QStringLiteral("Exec"),
                       QStringLiteral("env A=1 ") + DesktopEntry::quoteExecArgument(path, true));
        const auto parsed = DesktopEntry::parse(entry.toText());
        ASSERT_TRUE(parsed) << path.toStdString();
        const auto args = DesktopEntry::splitExec(*parsed->value(QStringLiteral("Exec")));
        ASSERT_TRUE(args) << path.toStdString();
        EXPECT_EQ(*args, (QStringList{QStringLiteral("env"), QStringLiteral("A=1"), path}))
            << entry.toText().toStdString();
    }
    // Plain arguments stay unquoted unless asked.
    EXPECT_EQ(DesktopEntry::quoteExecArgument(QStringLiteral("/usr/bin/x")),
              QStringLiteral("/usr/bin/x"));
    EXPECT_EQ(DesktopEntry::quoteExecArgument(QStringLiteral("/a b/x")),
              QStringLiteral("\"/a b/x\""));
}

TEST(DesktopEntryTest, RejectsMalformedFiles) {
    EXPECT_FALSE(DesktopEntry::parse("[Other Group]\nName=x\n"));
    EXPECT_FALSE(DesktopEntry::parse("Name=x\n[Desktop Entry]\n"));
    EXPECT_FALSE(DesktopEntry::parse("[Desktop Entry]\njust text\n"));
    EXPECT_FALSE(DesktopEntry::parse("[Desktop Entry]\nExec=trailing\\\n"));
    EXPECT_FALSE(DesktopEntry::parse("[Desktop Entry]\nName=\xff\xfe\n"));
    EXPECT_FALSE(DesktopEntry::parse("[Desktop Entry]\nName=a\nName=b\n"));
    EXPECT_FALSE(DesktopEntry::parse(QByteArray(DesktopEntry::maximumFileSize + 1, 'x')));
    EXPECT_FALSE(DesktopEntry::parse(""));
    // Broken Exec quoting.
    EXPECT_FALSE(DesktopEntry::splitExec(QStringLiteral("\"/unterminated")));
    EXPECT_FALSE(DesktopEntry::splitExec(QStringLiteral("\"/bad\\q\"")));
    EXPECT_FALSE(DesktopEntry::splitExec(QStringLiteral("\"/field %U\"")));

    const auto ok = DesktopEntry::parse(
        "# comment\n[Desktop Entry]\nName=A\\sB\\\\C\nHidden=true\n[Desktop Action "
        "x]\nName=other\n");
    ASSERT_TRUE(ok);
    EXPECT_EQ(ok->value(QStringLiteral("Name")), QStringLiteral("A B\\C"));
    EXPECT_TRUE(ok->boolValue(QStringLiteral("Hidden"), false));
    EXPECT_TRUE(ok->boolValue(QStringLiteral("Missing"), true));
}

class XdgAutostartTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString home() const { return dir.path() + QStringLiteral("/config"); }
    QString system() const { return dir.path() + QStringLiteral("/xdg"); }
    QString program() const { return dir.path() + QStringLiteral("/My \"Apps\"/bin/mirelon"); }
    XdgAutostart autostart() const {
        return XdgAutostart(program(), home(), {dir.path() + QStringLiteral("/none"), system()});
    }
};

TEST_F(XdgAutostartTest, RegisterWritesAValidEntryThatStartsThisProgram) {
    auto a = autostart();
    EXPECT_FALSE(a.isRegistered());
    QString error;
    ASSERT_TRUE(a.registerEntry(&error)) << error.toStdString();
    EXPECT_TRUE(a.isRegistered());

    const QByteArray text = readAll(a.userFilePath());
    EXPECT_TRUE(text.contains("Exec=env MIRELON_LAUNCHED_AT_LOGIN=1 \"" + dir.path().toUtf8() +
                              "/My \\\\\"Apps\\\\\"/bin/mirelon\"\n"))
        << text.toStdString();
    EXPECT_EQ(QFileInfo(a.userFilePath()).permissions() & QFileDevice::WriteOther, 0);

    const QString validator =
        QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    if (!validator.isEmpty()) {
        QProcess p;
        p.start(validator, {a.userFilePath()});
        ASSERT_TRUE(p.waitForFinished(10000));
        EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardOutput().toStdString();
        EXPECT_TRUE(p.readAllStandardOutput().trimmed().isEmpty());
    }

    // Another program at another path is not this program.
    XdgAutostart other(dir.path() + QStringLiteral("/other"), home(), {});
    EXPECT_FALSE(other.isRegistered());

    ASSERT_TRUE(a.unregisterEntry(&error));
    EXPECT_FALSE(QFileInfo::exists(a.userFilePath()));
    EXPECT_FALSE(a.isRegistered());
    // Unregistering with nothing registered is no failure.
    EXPECT_TRUE(a.unregisterEntry(&error));
}

TEST_F(XdgAutostartTest, ReadsTheFileAfreshAndHonoursDisablingKeys) {
    auto a = autostart();
    const QByteArray exec = "Exec=env MIRELON_LAUNCHED_AT_LOGIN=1 X=2 \"" +
                            program().toUtf8().replace("\"", "\\\\\"") + "\"\n";
    writeFile(a.userFilePath(), "[Desktop Entry]\nType=Application\nName=M\n" + exec);
    EXPECT_TRUE(a.isRegistered());
    writeFile(a.userFilePath(), "[Desktop Entry]\nType=Application\nName=M\nHidden=true\n" + exec);
    EXPECT_FALSE(a.isRegistered());
    writeFile(a.userFilePath(),
              "[Desktop Entry]\nName=M\nX-GNOME-Autostart-enabled=false\n" + exec);
    EXPECT_FALSE(a.isRegistered());
    writeFile(a.userFilePath(), "[Desktop Entry]\nName=M\nExec=env A=1\n");
    EXPECT_FALSE(a.isRegistered());
    writeFile(a.userFilePath(), "[Desktop Entry]\nName=M\nExec=mirelon\n");
    EXPECT_FALSE(a.isRegistered());
    writeFile(a.userFilePath(), "garbage\n" + exec);
    EXPECT_FALSE(a.isRegistered());
}

TEST_F(XdgAutostartTest, SystemWideCopyIsHiddenByAUserCopy) {
    auto a = autostart();
    QString error;
    ASSERT_TRUE(a.registerEntry(&error));
    writeFile(system() + QStringLiteral("/autostart/mirelon.desktop"), readAll(a.userFilePath()));
    QFile::remove(a.userFilePath());
    // The system-wide copy applies while the user has none.
    EXPECT_TRUE(a.isRegistered());

    ASSERT_TRUE(a.unregisterEntry(&error)) << error.toStdString();
    EXPECT_TRUE(readAll(a.userFilePath()).contains("Hidden=true\n"));
    EXPECT_FALSE(a.isRegistered());

    ASSERT_TRUE(a.registerEntry(&error));
    EXPECT_TRUE(a.isRegistered());
}

TEST_F(XdgAutostartTest, FifoOrFolderAtTheEntryPathIsRefusedWithoutBlocking) {
    auto a = autostart();
    QDir().mkpath(home() + QStringLiteral("/autostart"));
    // Opening a FIFO for reading waits for a writer: the check must not.
    ASSERT_EQ(::mkfifo(QFile::encodeName(a.userFilePath()).constData(), 0600), 0);
    {
        LogCapture log("app.mirelon.Mirelon.main");
        EXPECT_FALSE(a.isRegistered());
        ASSERT_EQ(log.lines.size(), 1);
        EXPECT_TRUE(log.lines[0].contains(QStringLiteral("not a regular file")))
            << log.lines[0].toStdString();
    }
    // Switching on never replaces it: it is the user's. Once it is gone the
    // entry is written, and switching off removes that.
    QString error;
    EXPECT_FALSE(a.registerEntry(&error));
    EXPECT_TRUE(error.contains(QStringLiteral("not a regular file"))) << error.toStdString();
    struct stat st {};
    ASSERT_EQ(::lstat(QFile::encodeName(a.userFilePath()).constData(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    ASSERT_TRUE(QFile::remove(a.userFilePath()));
    ASSERT_TRUE(a.registerEntry(&error)) << error.toStdString();
    EXPECT_TRUE(a.isRegistered());
    ASSERT_TRUE(a.unregisterEntry(&error));
    EXPECT_FALSE(QFileInfo::exists(a.userFilePath()));

    ASSERT_TRUE(QDir().mkpath(a.userFilePath()));
    LogCapture log("app.mirelon.Mirelon.main");
    EXPECT_FALSE(a.isRegistered());
    EXPECT_EQ(log.lines.size(), 1);
    EXPECT_FALSE(a.registerEntry(&error));
    EXPECT_TRUE(QFileInfo(a.userFilePath()).isDir());
}

TEST_F(XdgAutostartTest, NamespaceFollowsTheEnvironmentAndLogsFailures) {
    Env configHome("XDG_CONFIG_HOME", home().toUtf8());
    Env configDirs("XDG_CONFIG_DIRS", system().toUtf8());
    int willChange = 0;
    int changed = 0;
    auto& observable = StartAtLogin::Observable::shared();
    auto c1 =
        QObject::connect(&observable, &StartAtLogin::Observable::willChange, [&] { ++willChange; });
    auto c2 = QObject::connect(&observable, &StartAtLogin::Observable::changed, [&] {
        // Observers are told before the write and may read the result after it.
        EXPECT_EQ(willChange, changed + 1);
        ++changed;
    });

    StartAtLogin::Toggle toggle;
    EXPECT_FALSE(toggle.isChecked());
    EXPECT_FALSE(StartAtLogin::isEnabled());

    StartAtLogin::setEnabled(true);
    EXPECT_TRUE(StartAtLogin::isEnabled());
    EXPECT_TRUE(toggle.isChecked());
    const QString path = home() + QStringLiteral("/autostart/mirelon.desktop");
    EXPECT_TRUE(readAll(path).contains(
        QDir(QCoreApplication::applicationFilePath()).absolutePath().toUtf8()));

    // Switching on again re-registers and stays on.
    StartAtLogin::setEnabled(true);
    EXPECT_TRUE(StartAtLogin::isEnabled());

    // An outside removal shows on the next read.
    QFile::remove(path);
    EXPECT_FALSE(StartAtLogin::isEnabled());
    toggle.show();  // re-reads when shown
    EXPECT_FALSE(toggle.isChecked());

    // Clicking the switch writes at once.
    toggle.checkBox()->click();
    EXPECT_TRUE(StartAtLogin::isEnabled());
    toggle.checkBox()->click();
    EXPECT_FALSE(StartAtLogin::isEnabled());
    EXPECT_EQ(willChange, 4);
    EXPECT_EQ(changed, 4);

    // A folder that cannot be made: the failure is logged once and the switch
    // shows the real state.
    ASSERT_TRUE(QDir(home()).rmdir(QStringLiteral("autostart")));
    writeFile(home() + QStringLiteral("/autostart"), "not a folder");
    {
        LogCapture log("app.mirelon.Mirelon.main");
        toggle.checkBox()->click();
        ASSERT_EQ(log.lines.size(), 1);
        EXPECT_TRUE(log.lines[0].startsWith(QStringLiteral("Failed to enable launch at login: ")))
            << log.lines[0].toStdString();
        EXPECT_EQ(log.types[0], QtCriticalMsg);
    }
    EXPECT_FALSE(toggle.isChecked());
    EXPECT_FALSE(StartAtLogin::isEnabled());
    QObject::disconnect(c1);
    QObject::disconnect(c2);
}

TEST(StartAtLoginTest, LaunchedAtLoginFollowsTheVariable) {
    qunsetenv("MIRELON_LAUNCHED_AT_LOGIN");
    EXPECT_FALSE(StartAtLogin::wasLaunchedAtLogin());
    Env launched("MIRELON_LAUNCHED_AT_LOGIN", "1");
    EXPECT_TRUE(StartAtLogin::wasLaunchedAtLogin());
}
