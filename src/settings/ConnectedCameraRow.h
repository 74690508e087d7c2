// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/AppSettings.h"
#include "config/CameraDeviceConfiguration.h"

#include <QIcon>
#include <QString>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;

namespace mirelon {

// One connected camera in the Camera tab's list: the enable checkbox, the
// name with its overlay caption, and the position menu. A click anywhere on
// the row selects the camera for editing.
class ConnectedCameraRow : public QWidget {
    Q_OBJECT
public:
    explicit ConnectedCameraRow(const QString& id, QWidget* parent = nullptr);

    void update(const CameraDeviceConfiguration& configuration, bool canDisable, bool selected);

    QString id() const { return id_; }
    bool isSelected() const { return selected_; }
    QCheckBox* checkBox() const { return checkBox_; }
    QComboBox* positionMenu() const { return positionMenu_; }
    QLabel* nameLabel() const { return name_; }
    QLabel* statusCaption() const { return status_; }

    static QString positionSymbol(AppSettings::Position position);

Q_SIGNALS:
    void enabledToggled(const QString& id, bool enabled);
    void positionChosen(const QString& id, AppSettings::Position position);
    void selectRequested(const QString& id);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void setPositionEntries(AppSettings::Position current);
    QIcon positionIcon(AppSettings::Position position) const;

    QString id_;
    bool selected_ = false;
    QCheckBox* checkBox_ = nullptr;
    QLabel* name_ = nullptr;
    QLabel* status_ = nullptr;
    QComboBox* positionMenu_ = nullptr;
};

}  // namespace mirelon
