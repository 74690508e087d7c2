// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/MirelonSwitchRow.h"

#include "config/Preferences.h"
#include "platform/files/PreferencesFile.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace mirelon {

MirelonSwitchRow::MirelonSwitchRow(const SettingsContext& context, std::function<void()> quit,
                                   QWidget* parent)
    : QWidget(parent), context_(context), quitAction_(std::move(quit)) {
    setObjectName(QStringLiteral("mirelonSwitchRow"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    state_ = new QLabel(this);
    QFont bold = state_->font();
    bold.setBold(true);
    state_->setFont(bold);
    layout->addWidget(state_, 1);
    switch_ = new QPushButton(this);
    switch_->setObjectName(QStringLiteral("mirelonSwitchButton"));
    switch_->setDefault(true);
    layout->addWidget(switch_);
    quit_ = new QPushButton(tr("&Quit Mirelon"), this);
    quit_->setObjectName(QStringLiteral("mirelonQuitButton"));
    layout->addWidget(quit_);

    connect(switch_, &QPushButton::clicked, this, [this] {
        // The application shows or hides the panels when the preference changes.
        Preferences preferences(*context_.defaults);
        preferences.setIsMirelonOn(!preferences.isMirelonOn());
    });
    connect(quit_, &QPushButton::clicked, this, [this] {
        if (quitAction_) {
            quitAction_();
        } else {
            QCoreApplication::quit();
        }
    });
    defaultsObserver_ = context_.center->addObserver(Notifications::defaultsChanged,
                                                     [this](const Notification&) { refresh(); });
    refresh();
}

MirelonSwitchRow::~MirelonSwitchRow() = default;

void MirelonSwitchRow::refresh() {
    const bool on = Preferences(*context_.defaults).isMirelonOn();
    state_->setText(on ? tr("Mirelon is on") : tr("Mirelon is off"));
    // Alt+O and Alt+Q reach them from the keyboard.
    switch_->setText(on ? tr("Turn &Off") : tr("Turn &On"));
}

}  // namespace mirelon
