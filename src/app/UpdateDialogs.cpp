// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/UpdateDialogs.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QPushButton>

namespace mirelon {

UpdateDialogs::UpdateDialogs(LinkOpener openLink, QObject* parent)
    : QObject(parent), openLink_(std::move(openLink)) {
    if (!openLink_) {
        openLink_ = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    }
}

UpdateDialogs::~UpdateDialogs() {
    delete dialog_.data();
}

QMessageBox* UpdateDialogs::present(const QString& title, const QString& text) {
    delete dialog_.data();
    auto* box = new QMessageBox;
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setObjectName(QStringLiteral("MirelonUpdateDialog"));
    const QString shownTitle = QCoreApplication::translate("UpdateDialogs", qUtf8Printable(title));
    box->setWindowTitle(shownTitle);
    box->setText(shownTitle);
    box->setInformativeText(text);
    box->setTextFormat(Qt::PlainText);
    box->setIcon(QMessageBox::Information);
    dialog_ = box;
    return box;
}

void UpdateDialogs::showUpToDate(const QString& currentVersion) {
    QMessageBox* box =
        present(upToDateTitle,
                tr("Mirelon %1 is currently the newest version available.").arg(currentVersion));
    box->setStandardButtons(QMessageBox::Ok);
    box->show();
}

void UpdateDialogs::showUpdateAvailable(const ReleaseItem& release, const QString& currentVersion) {
    QString text =
        tr("Mirelon %1 is now available; you have %2.").arg(release.version, currentVersion);
    QString title = release.title.simplified();
    if (title.size() > UpdateDialogs::maximumShownTitleLength) {
        title = title.left(UpdateDialogs::maximumShownTitleLength) + QStringLiteral("...");
    }
    if (!title.isEmpty()) {
        text = title + u'\n' + text;
    }
    QString notes = UpdateFeed::plainText(release.description);
    constexpr qsizetype shownNotes = 1500;
    if (notes.size() > shownNotes) {
        notes = notes.left(shownNotes) + QStringLiteral("...");
    }
    if (!notes.isEmpty()) {
        text += QStringLiteral("\n\n") + notes;
    }
    QMessageBox* box = present(updateAvailableTitle, text);
    const QUrl link = release.link;
    if (UpdateFeed::isOpenableLink(link)) {
        QPushButton* download = box->addButton(tr("Download..."), QMessageBox::AcceptRole);
        box->addButton(tr("Later"), QMessageBox::RejectRole);
        box->setDefaultButton(download);
        connect(download, &QPushButton::clicked, this, [this, link] {
            if (UpdateFeed::isOpenableLink(link)) {
                openLink_(link);
            }
        });
    } else {
        box->setStandardButtons(QMessageBox::Ok);
    }
    box->show();
}

void UpdateDialogs::showError(const QString& message) {
    QMessageBox* box = present(errorTitle, message);
    box->setIcon(QMessageBox::Warning);
    box->setStandardButtons(QMessageBox::Ok);
    box->show();
}

void UpdateDialogs::showStillChecking() {
    QMessageBox* box =
        present(stillCheckingTitle, tr("The update check is still running. Its answer "
                                       "will be shown when it arrives."));
    box->setStandardButtons(QMessageBox::Ok);
    box->show();
}

}  // namespace mirelon
