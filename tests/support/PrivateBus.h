// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

namespace mirelon::test {

// A private session bus (dbus-daemon) for one test program. It starts no
// services on demand: what a test talks to is what the test started.
class PrivateBus {
public:
    PrivateBus() {
        QFile config(dir_.filePath(QStringLiteral("bus.conf")));
        if (!dir_.isValid() || !config.open(QIODevice::WriteOnly)) {
            return;
        }
        config.write(QStringLiteral("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus "
                                    "Configuration 1.0//EN\" \"http://www.freedesktop.org/"
                                    "standards/dbus/1.0/busconfig.dtd\"><busconfig>"
                                    "<type>session</type><listen>unix:dir=%1</listen>"
                                    "<auth>EXTERNAL</auth><policy context=\"default\">"
                                    "<allow send_destination=\"*\" eavesdrop=\"true\"/>"
                                    "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy>"
                                    "</busconfig>")
                         .arg(dir_.path())
                         .toUtf8());
        config.close();
        daemon_.setProgram(QStringLiteral("dbus-daemon"));
        daemon_.setArguments({QStringLiteral("--config-file=") + config.fileName(),
                              QStringLiteral("--nofork"), QStringLiteral("--print-address")});
        daemon_.start();
        if (!daemon_.waitForStarted(10000)) {
            return;
        }
        while (daemon_.state() == QProcess::Running && !daemon_.canReadLine()) {
            daemon_.waitForReadyRead(10000);
        }
        address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
    }
    ~PrivateBus() {
        daemon_.terminate();
        daemon_.waitForFinished(5000);
    }
    QString address() const { return address_; }
    bool isUp() const { return !address_.isEmpty(); }

    // A connection of the program's side (its own name, so each test is a new client).
    QDBusConnection connect(const QString& name) const {
        return QDBusConnection::connectToBus(address_, name);
    }

private:
    QTemporaryDir dir_;
    QProcess daemon_;
    QString address_;
};

}  // namespace mirelon::test
