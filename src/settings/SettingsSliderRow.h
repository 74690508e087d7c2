// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "settings/SettingsBinding.h"

#include <QString>
#include <QWidget>

#include <optional>

class QLabel;
class QSlider;

namespace mirelon {

// The labelled slider row of the settings tabs: a title, an optional wrapping
// subtitle, and a small continuous slider (at most 200 wide) with a symbol at
// each end. Moving the slider writes through the binding at once, on every
// intermediate value; its two ends write exactly the range's bounds.
class SettingsSliderRow : public QWidget {
    Q_OBJECT
public:
    static constexpr int kSteps = 1000;
    static constexpr int kMaximumSliderWidth = 200;

    SettingsSliderRow(const QString& title, const std::optional<QString>& subtitle,
                      DoubleBinding value, double lower, double upper,
                      const QString& minimumSymbolName, const QString& maximumSymbolName,
                      QWidget* parent = nullptr);

    // Re-reads the binding and moves the slider there without writing back.
    void refresh();
    void setSubtitle(const QString& subtitle);

    QString title() const;
    QString subtitle() const;
    QSlider* slider() const { return slider_; }
    QWidget* sliderBlock() const { return sliderBlock_; }
    double lower() const { return lower_; }
    double upper() const { return upper_; }

    // The value a slider position stands for, and the position showing a value
    // (values outside the range sit at the nearer end).
    double valueAt(int position) const;
    int positionOf(double value) const;

private:
    void sliderMoved(int position);

    DoubleBinding value_;
    double lower_;
    double upper_;
    QLabel* title_ = nullptr;
    QLabel* subtitle_ = nullptr;
    QWidget* sliderBlock_ = nullptr;
    QSlider* slider_ = nullptr;
};

}  // namespace mirelon
