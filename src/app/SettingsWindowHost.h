// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/AppServices.h"
#include "shortcuts/GlobalShortcuts.h"

#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>

namespace mirelon {

// Opens the settings window: one at a time, made when it opens and released
// (with its camera model) when it closes. The factory makes the window.
class SettingsWindowHost : public QObject, public SettingsOpening {
    Q_OBJECT
public:
    using WindowFactory = std::function<QWidget*()>;
    static inline const QString noTrayTitle =
        QStringLiteral(QT_TRANSLATE_NOOP("SettingsWindowHost", "Mirelon has no tray icon here"));

    // What the note says on a desktop without a tray: where the controls are
    // now, how closing behaves, how shortcuts reach Mirelon in this session
    // (shortcutDelivery) and how to get the icon (gnome: under GNOME Shell).
    static QString noTrayNote(GlobalShortcuts::Delivery shortcutDelivery, bool gnome);

    explicit SettingsWindowHost(WindowFactory factory, QObject* parent = nullptr);
    ~SettingsWindowHost() override;

    void openSettings() override;
    // Opens the window together with the note on getting a tray (the note
    // for this session: noTrayNote() of the shortcuts' delivery, GNOME Shell
    // or not).
    void openWithNoTrayNote();

    // Runs when the window closed (it is released then).
    std::function<void()> onWindowClosed;

    QWidget* window() const { return window_; }
    QMessageBox* note() const { return note_; }

    // A plain window standing in for the settings content.
    static QWidget* makePlaceholderWindow();

private:
    QWidget* ensureWindow();

    WindowFactory factory_;
    QPointer<QWidget> window_;
    QPointer<QMessageBox> note_;
};

}  // namespace mirelon
