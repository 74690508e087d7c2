// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/ConnectedCameraRow.h"

#include "platform/qt/IconRegistry.h"
#include "settings/SettingsForm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace mirelon {

using AppSettings::Position;

ConnectedCameraRow::ConnectedCameraRow(const QString& id, QWidget* parent)
    : QWidget(parent), id_(id) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 6, 8, 6);
    layout->setSpacing(10);

    checkBox_ = new QCheckBox(this);
    checkBox_->setAccessibleName(tr("Show this camera"));
    layout->addWidget(checkBox_, 0, Qt::AlignVCenter);

    auto* text = new QVBoxLayout;
    text->setSpacing(2);
    name_ = new QLabel(this);
    text->addWidget(name_);
    status_ = SettingsForm::caption(QString(), this);
    text->addWidget(status_);
    layout->addLayout(text, 1);

    positionMenu_ = new QComboBox(this);
    positionMenu_->setAccessibleName(tr("Position"));
    positionMenu_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    layout->addWidget(positionMenu_, 0, Qt::AlignVCenter);

    connect(checkBox_, &QCheckBox::clicked, this,
            [this](bool on) { Q_EMIT enabledToggled(id_, on); });
    connect(positionMenu_, &QComboBox::activated, this, [this](int index) {
        const auto position =
            AppSettings::fromRawValue<Position>(positionMenu_->itemData(index).toString());
        if (position) {
            Q_EMIT positionChosen(id_, *position);
        }
    });
}

QString ConnectedCameraRow::positionSymbol(Position position) {
    switch (position) {
        case Position::topLeft:
            return QStringLiteral("rectangle.inset.topleft.filled");
        case Position::topRight:
            return QStringLiteral("rectangle.inset.topright.filled");
        case Position::bottomLeft:
            return QStringLiteral("rectangle.inset.bottomleft.filled");
        case Position::bottomRight:
            return QStringLiteral("rectangle.inset.bottomright.filled");
        case Position::custom:
            return QStringLiteral("hand.draw");
    }
    return {};
}

QIcon ConnectedCameraRow::positionIcon(Position position) const {
    // Two levels: the filled corner in the text colour on a frame in the secondary one.
    QIcon icon;
    for (qreal ratio : {1.0, 2.0}) {
        icon.addPixmap(IconRegistry::palettePixmap(
            positionSymbol(position), QSize(16, 16), palette().color(QPalette::Text),
            palette().color(QPalette::PlaceholderText), ratio));
    }
    return icon;
}

void ConnectedCameraRow::setPositionEntries(Position current) {
    // Custom is reached by dragging a panel, so it is offered only while it holds.
    std::vector<Position> entries = AppSettings::presets();
    if (current == Position::custom) {
        entries.push_back(Position::custom);
    }
    const QSignalBlocker blocker(positionMenu_);
    if (positionMenu_->count() != static_cast<int>(entries.size())) {
        positionMenu_->clear();
        for (Position p : entries) {
            const QString raw = AppSettings::rawValue(p);
            positionMenu_->addItem(positionIcon(p),
                                   QCoreApplication::translate("AppSettings", qUtf8Printable(raw)),
                                   raw);
        }
    }
    positionMenu_->setCurrentIndex(positionMenu_->findData(AppSettings::rawValue(current)));
}

void ConnectedCameraRow::update(const CameraDeviceConfiguration& configuration, bool canDisable,
                                bool selected) {
    checkBox_->setChecked(configuration.isEnabled);
    // The last enabled camera cannot be switched off here.
    checkBox_->setEnabled(!(configuration.isEnabled && !canDisable));
    name_->setText(configuration.name);
    status_->setText(configuration.isEnabled ? tr("Overlay enabled") : tr("Overlay disabled"));
    setPositionEntries(configuration.position);
    if (selected_ != selected) {
        selected_ = selected;
        QWidget::update();
    }
}

void ConnectedCameraRow::paintEvent(QPaintEvent*) {
    if (!selected_) {
        return;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor accent = palette().color(QPalette::Highlight);
    accent.setAlphaF(0.15);
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()), 8, 8);
    painter.fillPath(path, accent);
}

void ConnectedCameraRow::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        Q_EMIT selectRequested(id_);
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

}  // namespace mirelon
