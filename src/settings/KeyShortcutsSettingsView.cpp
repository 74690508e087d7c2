// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/KeyShortcutsSettingsView.h"

#include "app/ShortcutActions.h"
#include "platform/DesktopShortcuts.h"
#include "settings/DesktopShortcutButton.h"
#include "shortcuts/GlobalShortcuts.h"
#include "shortcuts/Name.h"
#include "shortcuts/Recorder.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>

namespace mirelon {

std::vector<KeyShortcutsSettingsView::Row> KeyShortcutsSettingsView::rows() {
    // Made each time: whether move mode has a row depends on the session.
    std::vector<Row> out;
    for (const QString& name : ShortcutNames::all()) {
        out.push_back({ShortcutNames::title(name), name});
    }
    return out;
}

QString KeyShortcutsSettingsView::command(const QString& name) {
    return QStringLiteral("mirelon --action %1").arg(name);
}

QString KeyShortcutsSettingsView::desktopCommand(const QString& name, const QString& program,
                                                 const QString& found) {
    const QString canonical = QFileInfo(program).canonicalFilePath();
    if (program.isEmpty() ||
        (!found.isEmpty() && QFileInfo(found).canonicalFilePath() == canonical)) {
        return command(name);
    }
    QString path = QFileInfo(program).absoluteFilePath();
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_./+,:@%=-]+$"));
    if (!plain.match(path).hasMatch()) {
        path = u'\'' + path.replace(u'\'', QStringLiteral("'\\''")) + u'\'';
    }
    return path + QStringLiteral(" --action ") + name;
}

QString KeyShortcutsSettingsView::desktopCommand(const QString& name) {
    return desktopCommand(name, QCoreApplication::applicationFilePath(),
                          QStandardPaths::findExecutable(QStringLiteral("mirelon")));
}

KeyShortcutsSettingsView::KeyShortcutsSettingsView(QWidget* parent) : SettingsForm::Page(parent) {
    using GlobalShortcuts::Delivery;
    const Delivery delivery = GlobalShortcuts::delivery();
    const bool offerCommands = delivery == Delivery::FocusedGrabs || delivery == Delivery::None;
    const bool offerRecorders = delivery != Delivery::None;
    // Where recorded shortcuts work only in Mirelon's windows, the desktop's
    // own keyboard settings (GNOME's) can take them.
    const bool offerDesktop =
        delivery == Delivery::FocusedGrabs && DesktopShortcuts::shared().isAvailable();

    auto* section = addSection();
    for (const Row& row : rows()) {
        QWidget* trailing = offerCommands ? copyButton(row.name) : nullptr;
        if (offerRecorders && offerDesktop) {
            auto* add = new DesktopShortcutButton(row.name, row.label, desktopCommand(row.name));
            desktopButtons_.append(add);
            auto* both = new QWidget;
            auto* layout = new QHBoxLayout(both);
            layout->setContentsMargins(0, 0, 0, 0);
            layout->setSpacing(4);
            layout->addWidget(add);
            layout->addWidget(trailing);
            trailing = both;
        }
        if (offerRecorders) {
            auto* recorder =
                new GlobalShortcuts::Recorder(row.label, GlobalShortcuts::Name(row.name));
            recorder->setProperty("shortcutName", row.name);
            recorders_.append(recorder);
            section->addRow(trailing ? SettingsForm::row(recorder, trailing) : recorder);
        } else {
            section->addRow(SettingsForm::row(
                SettingsForm::labelBlock(row.label, command(row.name)), trailing));
        }
    }
    if (offerCommands) {
        const QString text =
            offerDesktop ? tr("Shortcuts recorded here work only while a Mirelon window has "
                              "focus. \"Add to GNOME\" puts a row's shortcut into GNOME's "
                              "keyboard settings (after asking), where it works whatever has "
                              "focus; clearing the row removes it there again.")
            : delivery == Delivery::None
                ? tr("This desktop does not let programs set global shortcuts. To "
                     "use one, add a custom shortcut in the desktop's keyboard "
                     "settings that runs the command of its row (\"mirelon --action "
                     "NAME\"); the copy buttons put it on the clipboard.")
                : tr("Shortcuts recorded here work only while a Mirelon window has "
                     "focus. To use one anywhere, add a custom shortcut in the "
                     "desktop's keyboard settings that runs the command of its row "
                     "(\"mirelon --action NAME\"); the copy buttons put it on the "
                     "clipboard.");
        commandNote_ = SettingsForm::caption(text, this);
        commandNote_->setObjectName(QStringLiteral("shortcutCommandNote"));
        addWidget(commandNote_);
    }
    finish();
}

QWidget* KeyShortcutsSettingsView::copyButton(const QString& name) {
    auto* button = new QPushButton(tr("Copy Command"));
    button->setToolTip(command(name));
    button->setProperty("command", command(name));
    connect(button, &QPushButton::clicked, this,
            [name] { QGuiApplication::clipboard()->setText(command(name)); });
    copyButtons_.append(button);
    return button;
}

}  // namespace mirelon
