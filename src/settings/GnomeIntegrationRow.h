// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QWidget>

#include <functional>

class QLabel;
class QPushButton;

namespace mirelon {

// Under GNOME Shell, a row of the General tab about Mirelon's companion
// extension: whether it runs, is installed for the next login or is missing,
// and the "Install GNOME integration" button, which copies it into the
// user's extensions and enables it. GNOME Shell loads extensions only at
// login, and the row says so.
class GnomeIntegrationRow : public QWidget {
    Q_OBJECT
public:
    // What the row asks of the system; the defaults ask ShellExtension.
    struct Services {
        std::function<bool()> isInstalled;
        std::function<bool()> hasBundledCopy;
        std::function<bool(QString* error)> copyToUser;
        std::function<void(std::function<void(bool, const QString&)>)> enableAtNextLogin;
        std::function<void(QObject*, std::function<void(bool)>)> watchRunning;
        static Services standard();
    };
    enum class State { unknown, running, installed, missing, installing, justInstalled, failed };

    explicit GnomeIntegrationRow(Services services = Services::standard(),
                                 QWidget* parent = nullptr);

    State state() const { return state_; }
    QLabel* statusLabel() const { return status_; }
    QPushButton* installButton() const { return install_; }

private:
    void setRunning(bool running);
    void install();
    void present(State state, const QString& detail = QString());

    Services services_;
    State state_ = State::unknown;
    QLabel* status_ = nullptr;
    QPushButton* install_ = nullptr;
};

}  // namespace mirelon
