// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class QLabel;

namespace mirelon {

// The window that explains why the camera cannot be used: which device node
// could not be opened and what to do about it. "Check Again" probes the
// devices afresh.
class CameraAccessHelpDialog final : public QDialog {
    Q_OBJECT
public:
    explicit CameraAccessHelpDialog(QWidget* parent = nullptr);

    QString explanation() const;
    void recheck();

    // Shows the one help window, creating it when needed, and brings it to the front.
    static CameraAccessHelpDialog* showShared();

private:
    QLabel* text_ = nullptr;
};

}  // namespace mirelon
