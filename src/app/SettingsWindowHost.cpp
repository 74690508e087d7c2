// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SettingsWindowHost.h"

#include "platform/ShellExtension.h"
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
    // Going away with the program is no close by the user.
    onWindowClosed = nullptr;
    delete note_.data();
    delete window_.data();
}

QString SettingsWindowHost::noTrayNote(GlobalShortcuts::Delivery shortcutDelivery, bool gnome) {
    using GlobalShortcuts::Delivery;
    QStringList parts;
    parts << tr(
        "This desktop shows no system tray, so Mirelon's icon has no place to "
        "appear. Turn Mirelon on or off and quit it at the top of the General tab.");
    parts << tr(
        "Closing this window while Mirelon is off quits it. While it is on, it "
        "keeps running: start Mirelon again from your applications to come back "
        "here.");
    switch (shortcutDelivery) {
        case Delivery::Grabs:
        case Delivery::Portal:
            parts << tr("Your keyboard shortcuts work as usual.");
            break;
        case Delivery::FocusedGrabs:
            parts << tr(
                "Keyboard shortcuts recorded in Mirelon work here only while a "
                "Mirelon window has focus; the Key Shortcuts tab can add them to the "
                "desktop's keyboard settings, where they work everywhere.");
            break;
        case Delivery::None:
            parts << tr(
                "This desktop lets no program set global shortcuts; the Key "
                "Shortcuts tab shows how to add them to the desktop's keyboard "
                "settings.");
            break;
    }
    parts << (gnome ? tr("To get the icon back, install GNOME's AppIndicator extension "
                         "(package gnome-shell-extension-appindicator) or Mirelon's own GNOME "
                         "integration (General tab), then log out and in again.")
                    : tr("To get the icon back, add a system tray to your panel; the icon "
                         "appears as soon as the tray exists."));
    return parts.join(QStringLiteral("\n\n"));
}

QWidget* SettingsWindowHost::makePlaceholderWindow() {
    auto* window = new QWidget(nullptr, Qt::Window);
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
        connect(window, &QObject::destroyed, this, [this] {
            if (onWindowClosed) {
                onWindowClosed();
            }
        });
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
        noTrayNote(GlobalShortcuts::delivery(), ShellExtension::runsUnderGnomeShell()),
        QMessageBox::Ok, window_);
    box->setObjectName(QStringLiteral("MirelonNoTrayNote"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->setTextFormat(Qt::PlainText);
    note_ = box;
    // In the middle of the settings window's screen, over the window (which
    // the window manager may not have placed yet).
    box->adjustSize();
    const QRect area = window_->screen()->availableGeometry();
    box->move(area.center() - QPoint(box->width() / 2, box->height() / 2));
    box->show();
}

}  // namespace mirelon
