// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/CameraSettingsView.h"
#include "settings/SelectedCamera.h"

#include "config/CameraDeviceSettingsStore.h"
#include "config/ColorCodec.h"
#include "config/Preferences.h"
#include "platform/files/PreferencesFile.h"
#include "settings/ColorPickerButton.h"
#include "settings/ConnectedCameraRow.h"
#include "settings/SettingsSliderRow.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace mirelon {

using namespace AppSettings;

namespace {

template <typename E>
int indexOfCase(E value) {
    const auto cases = allCases<E>();
    for (size_t i = 0; i < cases.size(); ++i) {
        if (cases[i] == value) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

// The shown names of the stored values (which themselves never change).
[[maybe_unused]] const char* const kCaseNames[] = {
    QT_TRANSLATE_NOOP("AppSettings", "Circle"),    QT_TRANSLATE_NOOP("AppSettings", "Squircle"),
    QT_TRANSLATE_NOOP("AppSettings", "Rectangle"), QT_TRANSLATE_NOOP("AppSettings", "Portrait"),
    QT_TRANSLATE_NOOP("AppSettings", "Landscape"), QT_TRANSLATE_NOOP("AppSettings", "White"),
    QT_TRANSLATE_NOOP("AppSettings", "Red"),       QT_TRANSLATE_NOOP("AppSettings", "Green"),
    QT_TRANSLATE_NOOP("AppSettings", "Blue"),      QT_TRANSLATE_NOOP("AppSettings", "Yellow"),
    QT_TRANSLATE_NOOP("AppSettings", "Purple"),    QT_TRANSLATE_NOOP("AppSettings", "Gray"),
    QT_TRANSLATE_NOOP("AppSettings", "Brown"),
};

template <typename E>
QStringList capitalizedCaseLabels() {
    QStringList labels;
    for (E value : allCases<E>()) {
        labels << QCoreApplication::translate("AppSettings",
                                              qUtf8Printable(capitalizedWords(rawValue(value))));
    }
    return labels;
}

template <typename E>
QStringList caseLabels() {
    QStringList labels;
    for (E value : allCases<E>()) {
        labels << rawValue(value);
    }
    return labels;
}

void checkButton(QButtonGroup* group, int id) {
    if (QAbstractButton* button = group->button(id)) {
        button->setChecked(true);
    }
}

}  // namespace

CameraSettingsView::CameraSettingsView(const SettingsContext& context, QWidget* parent)
    : SettingsForm::Page(parent), context_(context), selectedBorderColor_(Qt::green) {
    buildCameraList();
    editingSection_ = addSection();
    editingCaption_ = SettingsForm::caption(QString());
    editingSection_->addRow(editingCaption_);
    buildBasicSection();
    buildColorSection();
    buildRotateSection();
    finish();

    lastSelectedID_ = selectedDeviceID();
    storeObserver_ =
        context_.center->addObserver(CameraDeviceSettingsStore::settingsChangedNotification,
                                     [this](const Notification&) { configurationsChanged(); });
    defaultsObserver_ = context_.center->addObserver(
        Notifications::defaultsChanged, [this](const Notification&) { defaultsChanged(); });
    // Choosing a camera is what the tab does when it is shown, not before.
    refreshSelectedBorderColor();
    refresh();
}

CameraSettingsView::~CameraSettingsView() = default;

void CameraSettingsView::buildCameraList() {
    auto* section = addSection(tr("Connected Cameras"));
    auto* list = new QWidget;
    cameraList_ = new QVBoxLayout(list);
    cameraList_->setContentsMargins(0, 0, 0, 0);
    cameraList_->setSpacing(2);
    noCameras_ = new QLabel(tr("No camera devices detected"), list);
    noCameras_->setForegroundRole(QPalette::PlaceholderText);
    cameraList_->addWidget(noCameras_);
    section->addRow(list);
}

SettingsSliderRow* CameraSettingsView::addSlider(SettingsForm::Section* section,
                                                 const QString& title, DoubleBinding binding,
                                                 double lower, double upper) {
    auto* row = new SettingsSliderRow(title, std::nullopt, std::move(binding), lower, upper,
                                      QStringLiteral("minus.circle.fill"),
                                      QStringLiteral("plus.circle.fill"));
    section->addRow(row);
    sliders_.insert(title, row);
    return row;
}

QButtonGroup* CameraSettingsView::addRadioRow(SettingsForm::Section* section, const QString& title,
                                              const QStringList& labels, QWidget** rowOut) {
    auto* options = new QWidget;
    auto* layout = new QHBoxLayout(options);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);
    auto* group = new QButtonGroup(this);
    for (int i = 0; i < labels.size(); ++i) {
        auto* radio = new QRadioButton(labels[i], options);
        group->addButton(radio, i);
        layout->addWidget(radio);
    }
    QWidget* row = SettingsForm::row(new QLabel(title), options);
    section->addRow(row);
    if (rowOut) {
        *rowOut = row;
    }
    return group;
}

void CameraSettingsView::buildBasicSection() {
    const auto& d = AppSettings::shared();
    basic_ = addSection(tr("Basic"));

    shape_ = addRadioRow(basic_, tr("Shape"), capitalizedCaseLabels<CameraShape>());
    const auto shape = appearanceBinding(&CameraAppearanceSettings::cameraShape, d.cameraShape);
    connect(shape_, &QButtonGroup::idClicked, this,
            [shape](int id) { shape.set(allCases<CameraShape>().at(id)); });

    aspectRatio_ = addRadioRow(basic_, tr("Aspect Ratio"), caseLabels<AspectRatio>());
    const auto ratio = appearanceBinding(&CameraAppearanceSettings::aspectRatio, d.aspectRatio);
    connect(aspectRatio_, &QButtonGroup::idClicked, this,
            [ratio](int id) { ratio.set(allCases<AspectRatio>().at(id)); });

    orientation_ = addRadioRow(basic_, tr("Orientation"), capitalizedCaseLabels<Orientation>(),
                               &orientationRow_);
    const auto orientation =
        appearanceBinding(&CameraAppearanceSettings::orientation, d.orientation);
    connect(orientation_, &QButtonGroup::idClicked, this,
            [orientation](int id) { orientation.set(allCases<Orientation>().at(id)); });

    // Moving right rounds the corners: the slider shows the radius mirrored.
    addSlider(basic_, tr("Corner Radius"),
              reversed(appearanceBinding(&CameraAppearanceSettings::cornerRadius, d.cornerRadius),
                       5, 100),
              5, 100);
    addSlider(basic_, tr("Size"),
              appearanceBinding(&CameraAppearanceSettings::cameraSize, d.cameraSize), 0.5, 5);
    addSlider(basic_, tr("Zoom"), appearanceBinding(&CameraAppearanceSettings::zoom, d.zoom), 1, 5);
    addSlider(basic_, tr("Shadow"),
              appearanceBinding(&CameraAppearanceSettings::shadowRadius, d.shadowRadius), 0, 15);
    addSlider(basic_, tr("Border Thickness"),
              appearanceBinding(&CameraAppearanceSettings::borderThickness, d.borderThickness), 0,
              10);

    borderColor_ = new ColorPickerButton(tr("Border Color"));
    borderColor_->setColor(selectedBorderColor_);
    basic_->addRow(SettingsForm::row(new QLabel(tr("Border Color")), borderColor_));
    const auto border = appearanceBinding(&CameraAppearanceSettings::borderColor, QString());
    // Written only when the user picks a colour, never when the picker is
    // refreshed from the store, so a stored string the panel reads differently
    // (six digits, lower case) is left as it is.
    connect(borderColor_, &ColorPickerButton::colorPicked, this, [this, border](const QColor& c) {
        selectedBorderColor_ = c;
        border.set(toRGBAString(c));
    });

    mirroring_ = new QCheckBox;
    mirroring_->setAccessibleName(tr("Camera Mirroring"));
    basic_->addRow(SettingsForm::row(
        SettingsForm::labelBlock(tr("Camera Mirroring"),
                                 tr("Your face will look the same as it does in a mirror.")),
        mirroring_));
    const auto mirroring = appearanceBinding(&CameraAppearanceSettings::cameraMirroringEnabled,
                                             d.cameraMirroringEnabled);
    connect(mirroring_, &QCheckBox::clicked, this, [mirroring](bool on) { mirroring.set(on); });

    basic_->addRow(SettingsForm::resetRow(tr("Reset to default basic settings"), &resetBasic_));
    connect(resetBasic_, &QPushButton::clicked, this, [this] {
        if (const auto c = selectedConfiguration()) {
            context_.store->resetBasicSettings(c->id);
            refreshSelectedBorderColor();
        }
    });
}

void CameraSettingsView::buildColorSection() {
    const auto& d = AppSettings::shared();
    color_ = addSection(tr("Color"));
    addSlider(color_, tr("Saturation"),
              appearanceBinding(&CameraAppearanceSettings::saturation, d.saturation), -1, 5);
    addSlider(color_, tr("Contrast"),
              appearanceBinding(&CameraAppearanceSettings::contrast, d.contrast), -1, 5);
    addSlider(color_, tr("Brightness"),
              appearanceBinding(&CameraAppearanceSettings::brightness, d.brightness), 0, 1);
    addSlider(color_, tr("Hue Rotation"),
              appearanceBinding(&CameraAppearanceSettings::hueRotation, d.hueRotation), 0, 270);

    colorMultiply_ = new QComboBox;
    colorMultiply_->setAccessibleName(tr("Color Multiply"));
    colorMultiply_->addItems(capitalizedCaseLabels<ColorMultiply>());
    color_->addRow(SettingsForm::row(new QLabel(tr("Color Multiply")), colorMultiply_));
    const auto multiply =
        appearanceBinding(&CameraAppearanceSettings::colorMultiply, d.colorMultiply);
    connect(colorMultiply_, &QComboBox::activated, this, [multiply](int index) {
        if (index >= 0) {
            multiply.set(allCases<ColorMultiply>().at(index));
        }
    });

    color_->addRow(SettingsForm::resetRow(tr("Reset to default color settings"), &resetColor_));
    connect(resetColor_, &QPushButton::clicked, this, [this] {
        if (const auto c = selectedConfiguration()) {
            context_.store->resetColorSettings(c->id);
        }
    });
}

void CameraSettingsView::buildRotateSection() {
    const auto& d = AppSettings::shared();
    rotate_ = addSection(tr("3D Rotate"));
    addSlider(rotate_, tr("X axis"), appearanceBinding(&CameraAppearanceSettings::xAngle, d.xAngle),
              -10, 10);
    addSlider(rotate_, tr("Y axis"), appearanceBinding(&CameraAppearanceSettings::yAngle, d.yAngle),
              -10, 10);
    addSlider(rotate_, tr("Z axis"), appearanceBinding(&CameraAppearanceSettings::zAngle, d.zAngle),
              -10, 10);
    rotate_->addRow(
        SettingsForm::resetRow(tr("Reset to default 3D rotate settings"), &resetRotation_));
    connect(resetRotation_, &QPushButton::clicked, this, [this] {
        if (const auto c = selectedConfiguration()) {
            context_.store->resetRotationSettings(c->id);
        }
    });
}

template <typename T>
Binding<T> CameraSettingsView::appearanceBinding(T CameraAppearanceSettings::*field, T fallback) {
    return SelectedCamera::appearanceBinding(context_, field, fallback);
}

QString CameraSettingsView::selectedDeviceID() const {
    return SelectedCamera::deviceID(context_);
}

void CameraSettingsView::setSelectedDeviceID(const QString& id) {
    SelectedCamera::setDeviceID(context_, id);
}

std::optional<CameraDeviceConfiguration> CameraSettingsView::selectedConfiguration() const {
    return SelectedCamera::configuration(context_);
}

void CameraSettingsView::selectFirstDeviceIfNeeded() {
    if (selectedConfiguration()) {
        return;
    }
    const auto& list = context_.store->configurations();
    setSelectedDeviceID(list.isEmpty() ? QString() : list.first().id);
}

void CameraSettingsView::refreshSelectedBorderColor() {
    if (const auto c = context_.store->configuration(selectedDeviceID())) {
        selectedBorderColor_ = storedColor(c->appearance.borderColor);
        borderColor_->setColor(selectedBorderColor_);
    }
}

void CameraSettingsView::appear() {
    appeared_ = true;
    context_.store->syncWithConnectedCameras();
    selectFirstDeviceIfNeeded();
    refreshSelectedBorderColor();
    refresh();
}

void CameraSettingsView::showEvent(QShowEvent* event) {
    SettingsForm::Page::showEvent(event);
    appear();
}

void CameraSettingsView::configurationsChanged() {
    if (refreshing_) {
        return;
    }
    if (appeared_) {
        selectFirstDeviceIfNeeded();
    }
    refreshSelectedBorderColor();
    refresh();
}

void CameraSettingsView::defaultsChanged() {
    if (refreshing_) {
        return;
    }
    const QString id = selectedDeviceID();
    if (id != lastSelectedID_) {
        refreshSelectedBorderColor();
        refresh();
    }
}

void CameraSettingsView::refresh() {
    refreshing_ = true;
    lastSelectedID_ = selectedDeviceID();
    refreshCameraRows();
    refreshControls();
    refreshing_ = false;
}

void CameraSettingsView::refreshCameraRows() {
    const auto& list = context_.store->configurations();
    QStringList ids;
    for (const auto& c : list) {
        ids << c.id;
    }
    QStringList shown;
    for (auto* row : rows_) {
        shown << row->id();
    }
    if (ids != shown) {
        // The rows are replaced only when the cameras themselves change, never
        // from inside one of their own signals.
        for (auto* row : rows_) {
            row->hide();
            row->deleteLater();
        }
        rows_.clear();
        for (const auto& c : list) {
            auto* row = new ConnectedCameraRow(c.id);
            connect(row, &ConnectedCameraRow::enabledToggled, this,
                    [this](const QString& id, bool on) { context_.store->setEnabled(on, id); });
            connect(row, &ConnectedCameraRow::positionChosen, this,
                    [this](const QString& id, Position p) { context_.store->setPosition(p, id); });
            connect(row, &ConnectedCameraRow::selectRequested, this,
                    [this](const QString& id) { setSelectedDeviceID(id); });
            cameraList_->addWidget(row);
            rows_.append(row);
        }
    }
    noCameras_->setVisible(list.isEmpty());
    const QString selected = selectedDeviceID();
    for (int i = 0; i < rows_.size(); ++i) {
        rows_[i]->update(list[i], context_.store->canDisableCamera(list[i].id),
                         list[i].id == selected);
    }
}

void CameraSettingsView::refreshControls() {
    const auto& d = AppSettings::shared();
    const auto selected = selectedConfiguration();
    const CameraAppearanceSettings a =
        selected ? selected->appearance : CameraAppearanceSettings::compiledDefault();

    editingSection_->setVisible(selected.has_value());
    if (selected) {
        editingCaption_->setText(tr("Editing the appearance of ") + selected->name);
    }
    for (auto* section : {basic_, color_, rotate_}) {
        section->panel()->setEnabled(selected.has_value());
    }

    checkButton(shape_, indexOfCase(a.cameraShape));
    checkButton(aspectRatio_, indexOfCase(a.aspectRatio));
    checkButton(orientation_, indexOfCase(a.orientation));
    orientationRow_->setEnabled(a.aspectRatio != AspectRatio::onebyone);
    sliders_.value(tr("Corner Radius"))->setEnabled(a.cameraShape == CameraShape::rectangle);
    for (auto* slider : std::as_const(sliders_)) {
        slider->refresh();
    }
    mirroring_->setChecked(a.cameraMirroringEnabled);
    const QSignalBlocker blocker(colorMultiply_);
    colorMultiply_->setCurrentIndex(indexOfCase(a.colorMultiply));
    if (!selected) {
        borderColor_->setColor(storedColor(d.borderColor));
    }
}

}  // namespace mirelon
