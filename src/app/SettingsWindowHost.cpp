// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SettingsWindowHost.h"

#include "platform/qt/IconRegistry.h"

#include <QCoreApplication>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <QVBoxLayout>

namespace mirelon {

SettingsWindowHost::SettingsWindowHost(WindowFactory factory, QObject* parent)
    : QObject(parent), factory_(std::move(factory)) {}

SettingsWindowHost::~SettingsWindowHost() {
    delete note_.data();
    delete window_.data();
}

QWidget* SettingsWindowHost::makePlaceholderWindow() {
    auto* window = new QWidget(nullptr, Qt::Window | Qt::WindowStaysOnTopHint);
    window->setWindowTitle(tr("Mirelon Settings"));
    window->setFixedWidth(500);
    auto* layout = new QVBoxLayout(window);
    auto* label = new QLabel(tr("Settings"), window);
    label->setAlignment(Qt::AlignCenter);
    label->setMinimumHeight(200);
    layout->addWidget(label);
    return window;
}

QWidget* SettingsWindowHost::ensureWindow() {
    if (!window_) {
        QWidget* window = factory_ ? factory_() : makePlaceholderWindow();
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->setObjectName(QStringLiteral("MirelonSettings"));
        if (window->windowIcon().isNull()) {
            window->setWindowIcon(IconRegistry::icon(QStringLiteral("Icon")));
        }
        window_ = window;
    }
    return window_;
}

void SettingsWindowHost::openSettings() {
    QWidget* window = ensureWindow();
    window->show();
    window->raise();
    window->activateWindow();
}

void SettingsWindowHost::openWithNoTrayNote() {
    openSettings();
    if (note_) {
        note_->raise();
        return;
    }
    auto* box = new QMessageBox(
        QMessageBox::Information,
        QCoreApplication::translate("SettingsWindowHost", qUtf8Printable(noTrayTitle)),
        QCoreApplication::translate("SettingsWindowHost", qUtf8Printable(noTrayNote)),
        QMessageBox::Ok, window_);
    box->setObjectName(QStringLiteral("MirelonNoTrayNote"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->setTextFormat(Qt::PlainText);
    box->setWindowFlag(Qt::WindowStaysOnTopHint);
    note_ = box;
    // In the middle of the settings window's screen, over the window (which
    // the window manager may not have placed yet).
    box->adjustSize();
    const QRect area = window_->screen()->availableGeometry();
    box->move(area.center() - QPoint(box->width() / 2, box->height() / 2));
    box->show();
}

}  // namespace mirelon
