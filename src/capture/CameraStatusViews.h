// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QWidget>

#include <functional>

class QLabel;
class QPushButton;

namespace mirelon {

// The card that stands in for the camera picture: a translucent backdrop over
// the whole area and, centred, a symbol, a message and a pill button. Every
// length is multiplied by `size`, the panel's scale factor.
class CameraStatusCard : public QWidget {
    Q_OBJECT
public:
    double size() const { return size_; }
    QString symbolName() const { return symbolName_; }
    QString message() const;
    QString buttonLabel() const;
    QPushButton* button() const { return button_; }
    // Type sizes and radius in device-independent pixels.
    double symbolPointSize() const { return 26 * size_; }
    double messagePointSize() const { return 13 * size_; }
    double buttonPointSize() const { return 12 * size_; }
    double buttonCornerRadius() const { return 20 * size_; }

protected:
    CameraStatusCard(QString symbolName, const QString& message, const QString& buttonLabel,
                     double size, std::function<void()> onOpenSettings, QWidget* parent);
    void paintEvent(QPaintEvent* event) override;

private:
    QString symbolName_;
    double size_;
    std::function<void()> onOpenSettings_;
    QLabel* symbol_ = nullptr;
    QLabel* message_ = nullptr;
    QPushButton* button_ = nullptr;
};

// Shown instead of the picture when the camera permission is missing.
class CameraPermissionView final : public CameraStatusCard {
    Q_OBJECT
public:
    CameraPermissionView(double size, std::function<void()> onOpenSettings,
                         QWidget* parent = nullptr);
};

// Shown instead of the picture when the camera cannot be shown:
// "<cameraName> is unavailable."
class CameraUnavailableView final : public CameraStatusCard {
    Q_OBJECT
public:
    CameraUnavailableView(double size, const QString& cameraName,
                          std::function<void()> onOpenSettings, QWidget* parent = nullptr);
};

// Shown instead of the picture while another app holds the camera:
// "<cameraName> is in use by another app." (tried again until it is free).
class CameraBusyView final : public CameraStatusCard {
    Q_OBJECT
public:
    CameraBusyView(double size, const QString& cameraName, std::function<void()> onOpenSettings,
                   QWidget* parent = nullptr);
};

// A small status pill: text, then a 10x10 two-level symbol (white glyph on
// `color` lightened 10% toward white).
class AccessIndicatorView final : public QWidget {
    Q_OBJECT
public:
    AccessIndicatorView(QString text, QString image, QColor color, QWidget* parent = nullptr);

    QString text() const { return text_; }
    QString image() const { return image_; }
    QColor color() const { return color_; }
    // color mixed 10% toward white in the OKLab space: the symbol's second level.
    QColor secondaryColor() const;
    QSize sizeHint() const override;

    // Mixes a toward b by t (0..1) in the perceptual OKLab space.
    static QColor mixPerceptual(const QColor& a, const QColor& b, double t);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QFont textFont() const;
    QString text_;
    QString image_;
    QColor color_;
};

}  // namespace mirelon
