// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/Updater.h"

#include <QObject>
#include <QPointer>

#include <functional>

#include <QMessageBox>

namespace mirelon {

// The updater's three dialogs. Only one is open at a time: a new answer
// replaces the dialog of the previous one.
class UpdateDialogs final : public QObject, public UpdatePresenter {
    Q_OBJECT
public:
    using LinkOpener = std::function<bool(const QUrl&)>;

    explicit UpdateDialogs(LinkOpener openLink = {}, QObject* parent = nullptr);
    ~UpdateDialogs() override;

    void showUpToDate(const QString& currentVersion) override;
    void showUpdateAvailable(const ReleaseItem& release, const QString& currentVersion) override;
    void showError(const QString& message) override;
    void showStillChecking() override;

    // The dialog on screen, if any (for tests).
    QMessageBox* currentDialog() const { return dialog_; }

    static inline const QString upToDateTitle =
        QStringLiteral(QT_TRANSLATE_NOOP("UpdateDialogs", "You're up to date"));
    static inline const QString updateAvailableTitle =
        QStringLiteral(QT_TRANSLATE_NOOP("UpdateDialogs", "A new version is available"));
    static inline const QString errorTitle =
        QStringLiteral(QT_TRANSLATE_NOOP("UpdateDialogs", "Update check failed"));
    static inline const QString stillCheckingTitle =
        QStringLiteral(QT_TRANSLATE_NOOP("UpdateDialogs", "Checking for updates"));
    // A release title longer than this is cut short in the dialog.
    static constexpr qsizetype maximumShownTitleLength = 120;

private:
    QMessageBox* present(const QString& title, const QString& text);

    LinkOpener openLink_;
    QPointer<QMessageBox> dialog_;
};

}  // namespace mirelon
