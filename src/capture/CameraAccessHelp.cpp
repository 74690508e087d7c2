// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/CameraAccessHelp.h"

#include "platform/CameraPortal.h"
#include "platform/files/CameraAccessDiagnosis.h"
#include "platform/files/CameraPermission.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace mirelon {

CameraAccessHelpDialog::CameraAccessHelpDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("CameraAccessHelp"));
    setWindowTitle(tr("Camera Access"));
    auto* layout = new QVBoxLayout(this);
    auto* headline = new QLabel(tr("Why the camera cannot be used"), this);
    QFont bold = headline->font();
    bold.setBold(true);
    headline->setFont(bold);
    layout->addWidget(headline);
    text_ = new QLabel(this);
    text_->setWordWrap(true);
    text_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    text_->setTextFormat(Qt::PlainText);
    text_->setMinimumWidth(420);
    layout->addWidget(text_);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* again = buttons->addButton(tr("Check Again"), QDialogButtonBox::ActionRole);
    buttons->addButton(tr("Close"), QDialogButtonBox::RejectRole);
    connect(again, &QPushButton::clicked, this, &CameraAccessHelpDialog::recheck);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    layout->addWidget(buttons);
    recheck();
}

QString CameraAccessHelpDialog::explanation() const {
    return text_->text();
}

void CameraAccessHelpDialog::recheck() {
    if (CameraPortal::shared().wasRefused()) {
        text_->setText(
            tr("Camera access was refused when the desktop asked.\n\nAllow Mirelon to use "
               "the camera in the privacy settings of your desktop, then restart Mirelon."));
        return;
    }
    text_->setText(CameraAccess::explain(CameraAccess::probeNodes()));
}

CameraAccessHelpDialog* CameraAccessHelpDialog::showShared() {
    static QPointer<CameraAccessHelpDialog> shared;
    if (!shared) {
        shared = new CameraAccessHelpDialog;
        shared->setAttribute(Qt::WA_DeleteOnClose);
    } else {
        shared->recheck();
    }
    shared->show();
    shared->raise();
    shared->activateWindow();
    return shared;
}

namespace Utils {
void openCameraPrivacySettings() {
    CameraAccessHelpDialog::showShared();
}
}  // namespace Utils

}  // namespace mirelon
