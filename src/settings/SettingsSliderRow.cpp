// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/SettingsSliderRow.h"

#include "settings/SettingsForm.h"
#include "settings/SettingsSymbols.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include <cmath>

namespace mirelon {

SettingsSliderRow::SettingsSliderRow(const QString& title, const std::optional<QString>& subtitle,
                                     DoubleBinding value, double lower, double upper,
                                     const QString& minimumSymbolName,
                                     const QString& maximumSymbolName, QWidget* parent)
    : QWidget(parent), value_(std::move(value)), lower_(lower), upper_(upper) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(12);

    auto* text = new QVBoxLayout;
    text->setSpacing(1);
    title_ = new QLabel(title, this);
    text->addWidget(title_);
    subtitle_ = SettingsForm::caption(subtitle.value_or(QString()), this);
    subtitle_->setVisible(subtitle.has_value());
    text->addWidget(subtitle_);
    row->addLayout(text, 1);

    sliderBlock_ = new QWidget(this);
    auto* block = new QHBoxLayout(sliderBlock_);
    block->setContentsMargins(0, 0, 0, 0);
    block->setSpacing(4);
    block->addWidget(SettingsForm::symbolLabel(minimumSymbolName, sliderBlock_));
    slider_ = new QSlider(Qt::Horizontal, sliderBlock_);
    slider_->setRange(0, kSteps);
    slider_->setSingleStep(kSteps / 100);
    slider_->setPageStep(kSteps / 10);
    slider_->setAccessibleName(title);
    block->addWidget(slider_, 1);
    block->addWidget(SettingsForm::symbolLabel(maximumSymbolName, sliderBlock_));
    sliderBlock_->setFixedWidth(kMaximumSliderWidth);
    row->addWidget(sliderBlock_, 0, Qt::AlignTop);

    connect(slider_, &QSlider::valueChanged, this, &SettingsSliderRow::sliderMoved);
    refresh();
}

QString SettingsSliderRow::title() const {
    return title_->text();
}

QString SettingsSliderRow::subtitle() const {
    return subtitle_->isVisibleTo(this) ? subtitle_->text() : QString();
}

void SettingsSliderRow::setSubtitle(const QString& subtitle) {
    subtitle_->setText(subtitle);
    subtitle_->setVisible(true);
}

double SettingsSliderRow::valueAt(int position) const {
    if (position <= 0) {
        return lower_;
    }
    if (position >= kSteps) {
        return upper_;
    }
    return lower_ + (upper_ - lower_) * position / kSteps;
}

int SettingsSliderRow::positionOf(double value) const {
    if (!(upper_ > lower_) || std::isnan(value)) {
        return 0;
    }
    const double t = (value - lower_) / (upper_ - lower_);
    if (t <= 0) {
        return 0;
    }
    if (t >= 1) {
        return kSteps;
    }
    return static_cast<int>(std::lround(t * kSteps));
}

void SettingsSliderRow::refresh() {
    const int position = positionOf(value_.get ? value_.get() : lower_);
    if (slider_->value() != position) {
        const QSignalBlocker blocker(slider_);
        slider_->setValue(position);
    }
}

void SettingsSliderRow::sliderMoved(int position) {
    if (value_.set) {
        value_.set(valueAt(position));
    }
}

}  // namespace mirelon
