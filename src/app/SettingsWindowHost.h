// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/AppServices.h"

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
        QStringLiteral(QT_TRANSLATE_NOOP("SettingsWindowHost", "Mirelon needs a system tray"));
    static inline const QString noTrayNote = QStringLiteral(
        QT_TRANSLATE_NOOP("SettingsWindowHost",
                          "Mirelon lives in the system tray, but this desktop shows no tray. "
                          "Add a system tray to your panel (on GNOME: enable the AppIndicator "
                          "extension); the Mirelon icon appears there as soon as the tray exists. "
                          "Meanwhile, your keyboard shortcuts keep working and this window stays "
                          "available."));

    explicit SettingsWindowHost(WindowFactory factory, QObject* parent = nullptr);
    ~SettingsWindowHost() override;

    void openSettings() override;
    // Opens the window together with the note on getting a tray.
    void openWithNoTrayNote();

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
