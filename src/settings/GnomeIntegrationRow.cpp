// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/GnomeIntegrationRow.h"

#include "platform/ShellExtension.h"
#include "settings/SettingsForm.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLoggingCategory>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

Q_LOGGING_CATEGORY(lcGnomeIntegration, "app.mirelon.Mirelon.gnome", QtInfoMsg)

namespace mirelon {

GnomeIntegrationRow::Services GnomeIntegrationRow::Services::standard() {
    Services s;
    s.isInstalled = &ShellExtension::isInstalled;
    s.hasBundledCopy = [] { return !ShellExtension::bundledFolder().isEmpty(); };
    s.copyToUser = &ShellExtension::copyToUser;
    s.enableAtNextLogin = &ShellExtension::enableAtNextLogin;
    s.watchRunning = &ShellExtension::watchRunning;
    return s;
}

GnomeIntegrationRow::GnomeIntegrationRow(Services services, QWidget* parent)
    : QWidget(parent), services_(std::move(services)) {
    setObjectName(QStringLiteral("gnomeIntegrationRow"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* block = new QWidget(this);
    auto* lines = new QVBoxLayout(block);
    lines->setContentsMargins(0, 0, 0, 0);
    lines->setSpacing(1);
    lines->addWidget(new QLabel(tr("GNOME integration"), block));
    status_ = SettingsForm::caption(QString(), block);
    status_->setObjectName(QStringLiteral("gnomeIntegrationStatus"));
    lines->addWidget(status_);
    layout->addWidget(block, 1);
    install_ = new QPushButton(tr("Install GNOME integration"), this);
    install_->setObjectName(QStringLiteral("gnomeIntegrationInstall"));
    layout->addWidget(install_, 0, Qt::AlignTop);
    connect(install_, &QPushButton::clicked, this, &GnomeIntegrationRow::install);

    present(services_.isInstalled && services_.isInstalled() ? State::installed : State::missing);
    if (services_.watchRunning) {
        services_.watchRunning(this, [this](bool running) { setRunning(running); });
    }
}

void GnomeIntegrationRow::setRunning(bool running) {
    if (running) {
        present(State::running);
    } else if (state_ == State::running || state_ == State::unknown) {
        present(services_.isInstalled && services_.isInstalled() ? State::installed
                                                                 : State::missing);
    }
}

void GnomeIntegrationRow::install() {
    QString error;
    if (!services_.copyToUser || !services_.copyToUser(&error)) {
        qCWarning(lcGnomeIntegration).noquote() << "GNOME integration not installed:" << error;
        present(State::failed, error);
        return;
    }
    present(State::installing);
    QPointer<GnomeIntegrationRow> self(this);
    services_.enableAtNextLogin([self](bool ok, const QString& why) {
        if (!self) {
            return;
        }
        if (!ok) {
            qCWarning(lcGnomeIntegration).noquote()
                << "GNOME integration copied but not enabled:" << why;
            self->present(State::failed, why);
            return;
        }
        qCInfo(lcGnomeIntegration) << "GNOME integration installed for the next login";
        self->present(State::justInstalled);
    });
}

void GnomeIntegrationRow::present(State state, const QString& detail) {
    state_ = state;
    const bool bundled = services_.hasBundledCopy && services_.hasBundledCopy();
    install_->setVisible(state != State::running && state != State::justInstalled);
    install_->setEnabled(bundled && state != State::installing);
    install_->setToolTip(bundled ? QString()
                                 : tr("This installation of Mirelon does not include the "
                                      "GNOME Shell extension."));
    switch (state) {
        case State::unknown:
        case State::missing:
            status_->setText(
                tr("Makes camera panels and the ring light let clicks through to "
                   "every app, lets shortcuts work whatever has focus and shows "
                   "Mirelon's icon in the top bar."));
            break;
        case State::running:
            status_->setText(tr("Running: GNOME Shell works together with Mirelon."));
            break;
        case State::installed:
            status_->setText(
                tr("Installed, but not running. GNOME Shell starts extensions only "
                   "when you log in: log out and in again. Installing again also "
                   "switches it on."));
            break;
        case State::installing:
            status_->setText(tr("Installing…"));
            break;
        case State::justInstalled:
            status_->setText(
                tr("Installed and switched on. GNOME Shell loads it the next time "
                   "you log in: log out and in again to use it."));
            break;
        case State::failed:
            status_->setText(tr("Could not install the GNOME integration: %1").arg(detail));
            break;
    }
}

}  // namespace mirelon
