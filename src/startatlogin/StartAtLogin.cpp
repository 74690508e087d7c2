// SPDX-License-Identifier: GPL-3.0-or-later
#include "startatlogin/StartAtLogin.h"

#include "platform/qt/Logging.h"
#include "startatlogin/XdgAutostart.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>

namespace mirelon {
namespace StartAtLogin {

bool isEnabled() {
    return XdgAutostart::forCurrentProcess().isRegistered();
}

void setEnabled(bool enabled) {
    Observable::shared().setIsEnabled(enabled);
}

bool wasLaunchedAtLogin() {
    return qEnvironmentVariableIsSet(XdgAutostart::launchedAtLoginVariable.toLatin1().constData());
}

Observable& Observable::shared() {
    static Observable* instance = new Observable;  // lives for the whole process
    return *instance;
}

void Observable::setIsEnabled(bool enabled) {
    Q_EMIT willChange();
    XdgAutostart autostart = XdgAutostart::forCurrentProcess();
    QString error;
    bool ok = true;
    if (enabled) {
        if (autostart.isRegistered()) {
            QString ignored;
            autostart.unregisterEntry(&ignored);
        }
        ok = autostart.registerEntry(&error);
    } else {
        ok = autostart.unregisterEntry(&error);
    }
    if (!ok) {
        qCCritical(lcMain, "Failed to %s launch at login: %s", enabled ? "enable" : "disable",
                   qUtf8Printable(error));
    }
    Q_EMIT changed();
}

Toggle::Toggle(QWidget* parent) : Toggle(tr("Launch at login"), parent) {}

Toggle::Toggle(const QString& title, QWidget* parent) : QWidget(parent) {
    auto* label = new QLabel(title);
    label->setWordWrap(true);
    build(label);
}

Toggle::Toggle(QWidget* label, QWidget* parent) : QWidget(parent) {
    build(label);
}

void Toggle::build(QWidget* label) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    if (label) {
        layout->addWidget(label, 1);
    }
    checkBox_ = new QCheckBox(this);
    checkBox_->setAccessibleName(tr("Launch at login"));
    layout->addWidget(checkBox_, 0, Qt::AlignRight | Qt::AlignTop);
    if (auto* qlabel = qobject_cast<QLabel*>(label)) {
        qlabel->setBuddy(checkBox_);
    }
    reload();
    connect(checkBox_, &QCheckBox::toggled, this,
            [](bool on) { Observable::shared().setIsEnabled(on); });
    connect(&Observable::shared(), &Observable::changed, this, &Toggle::reload);
}

bool Toggle::isChecked() const {
    return checkBox_->isChecked();
}

void Toggle::showEvent(QShowEvent* event) {
    reload();
    QWidget::showEvent(event);
}

void Toggle::reload() {
    const QSignalBlocker blocker(checkBox_);
    checkBox_->setChecked(StartAtLogin::isEnabled());
}

}  // namespace StartAtLogin
}  // namespace mirelon
