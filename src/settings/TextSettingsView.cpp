// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/TextSettingsView.h"
#include "settings/SelectedCamera.h"

#include "config/CameraDeviceSettingsStore.h"
#include "config/ColorCodec.h"
#include "config/Preferences.h"
#include "platform/files/PreferencesFile.h"
#include "settings/ColorPickerButton.h"
#include "settings/OverlayTextField.h"
#include "settings/SettingsSliderRow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace mirelon {

TextSettingsView::TextSettingsView(const SettingsContext& context, QWidget* parent)
    : SettingsForm::Page(parent), context_(context), availableFonts_(QFontDatabase::families()) {
    buildCameraSection();
    buildTextSection();
    finish();

    lastSelectedID_ = selectedDeviceID();
    storeObserver_ =
        context_.center->addObserver(CameraDeviceSettingsStore::settingsChangedNotification,
                                     [this](const Notification&) { configurationsChanged(); });
    defaultsObserver_ = context_.center->addObserver(
        Notifications::defaultsChanged, [this](const Notification&) { defaultsChanged(); });
    // Choosing a camera is what the tab does when it is shown, not before.
    refreshSelectedColors();
    refresh();
}

TextSettingsView::~TextSettingsView() = default;

void TextSettingsView::buildCameraSection() {
    auto* section = addSection(tr("Select Camera"));
    auto* block = new QWidget;
    auto* layout = new QVBoxLayout(block);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);

    cameraPicker_ = new QComboBox;
    cameraPicker_->setAccessibleName(tr("Camera"));
    cameraPicker_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    cameraPicker_->setMaximumWidth(260);
    layout->addWidget(SettingsForm::row(new QLabel(tr("Camera")), cameraPicker_, block));
    editingCaption_ = SettingsForm::caption(QString(), block);
    layout->addWidget(editingCaption_);
    noCameras_ = new QLabel(tr("No camera devices detected"), block);
    noCameras_->setForegroundRole(QPalette::PlaceholderText);
    layout->addWidget(noCameras_);
    section->addRow(block);

    connect(cameraPicker_, &QComboBox::activated, this, [this](int index) {
        if (index >= 0) {
            setSelectedDeviceID(cameraPicker_->itemData(index).toString());
        }
    });
}

void TextSettingsView::buildTextSection() {
    const auto& d = AppSettings::shared();
    style_ = addSection();

    // The toggle's label holds the description and the text entry group.
    auto* toggleRow = new QWidget;
    auto* rowLayout = new QHBoxLayout(toggleRow);
    rowLayout->setContentsMargins(0, 0, 0, 0);
    auto* label = new QVBoxLayout;
    label->setSpacing(2);
    label->addWidget(new QLabel(tr("Enable Text"), toggleRow));
    label->addWidget(SettingsForm::caption(
        tr("This can be a great place to put your name or your brand."), toggleRow));

    textEntry_ = new QWidget(toggleRow);
    auto* entry = new QVBoxLayout(textEntry_);
    entry->setContentsMargins(0, 4, 0, 0);
    entry->setSpacing(2);
    textField_ = new OverlayTextField(textLimit, textEntry_);
    textField_->setPlaceholderText(tr("Insert text here..."));
    textField_->setMaximumWidth(200);
    textField_->setAccessibleName(tr("Text"));
    entry->addWidget(textField_);
    remaining_ = SettingsForm::caption(QString(), textEntry_);
    QFont small = remaining_->font();
    small.setPointSizeF(small.pointSizeF() * 0.9);
    remaining_->setFont(small);
    entry->addWidget(remaining_);
    label->addWidget(textEntry_);
    rowLayout->addLayout(label, 1);

    enableToggle_ = new QCheckBox(toggleRow);
    enableToggle_->setAccessibleName(tr("Enable Text"));
    rowLayout->addWidget(enableToggle_, 0, Qt::AlignTop | Qt::AlignRight);
    style_->addRow(toggleRow);

    const auto enabled = textBinding(&CameraAppearanceSettings::textEnabled, d.textEnabled);
    connect(enableToggle_, &QCheckBox::clicked, this, [enabled](bool on) { enabled.set(on); });
    const auto text = textBinding(&CameraAppearanceSettings::text, d.text);
    textField_->setTextWriter([this, text](const QString& value) {
        text.set(value);
        // The caption counts what the field shows, also while nothing is selected.
        remaining_->setText(
            QString::asprintf("%lld", static_cast<long long>(
                                          textLimit - OverlayTextField::characterCount(value))) +
            tr(" characters remaining"));
    });

    buildStyleRows();
}

void TextSettingsView::addStyleRow(QWidget* row) {
    style_->addRow(row);
    styleRows_.append(row);
}

void TextSettingsView::buildStyleRows() {
    const auto& d = AppSettings::shared();

    fontPicker_ = new QComboBox;
    fontPicker_->setAccessibleName(tr("Font"));
    fontPicker_->setMaximumWidth(220);
    for (const QString& family : std::as_const(availableFonts_)) {
        fontPicker_->addItem(family, family);
        fontPicker_->setItemData(fontPicker_->count() - 1, QFont(family, 12), Qt::FontRole);
    }
    addStyleRow(SettingsForm::row(new QLabel(tr("Font")), fontPicker_));
    const auto font = textBinding(&CameraAppearanceSettings::font, d.font);
    connect(fontPicker_, &QComboBox::activated, this, [this, font](int index) {
        if (index >= 0) {
            font.set(fontPicker_->itemData(index).toString());
        }
    });

    auto addSlider = [this](const QString& title, DoubleBinding binding, double lower,
                            double upper) {
        auto* row = new SettingsSliderRow(title, std::nullopt, std::move(binding), lower, upper,
                                          QStringLiteral("minus.circle.fill"),
                                          QStringLiteral("plus.circle.fill"));
        sliders_.insert(title, row);
        addStyleRow(row);
    };
    addSlider(tr("Font Size"), textBinding(&CameraAppearanceSettings::fontSize, d.fontSize), 10,
              100);

    const auto fontColor = textBinding(&CameraAppearanceSettings::fontColor, d.fontColor);
    fontColor_ = new ColorPickerButton(tr("Font Color"));
    fontColor_->setColor(Qt::white);
    addStyleRow(SettingsForm::row(new QLabel(tr("Font Color")), fontColor_));
    connect(fontColor_, &ColorPickerButton::colorPicked, this,
            [fontColor](const QColor& c) { fontColor.set(toRGBAString(c)); });

    const auto background =
        textBinding(&CameraAppearanceSettings::backgroundColor, d.backgroundColor);
    backgroundColor_ = new ColorPickerButton(tr("Background Color"));
    backgroundColor_->setColor(Qt::green);
    addStyleRow(SettingsForm::row(new QLabel(tr("Background Color")), backgroundColor_));
    connect(backgroundColor_, &ColorPickerButton::colorPicked, this,
            [background](const QColor& c) { background.set(toRGBAString(c)); });

    addSlider(tr("Background Radius"),
              textBinding(&CameraAppearanceSettings::backgroundRadius, d.backgroundRadius), 0, 100);
    addSlider(tr("Padding"), textBinding(&CameraAppearanceSettings::textPadding, d.textPadding), 0,
              50);

    addStyleRow(SettingsForm::resetRow(tr("Reset to default text settings"), &reset_));
    connect(reset_, &QPushButton::clicked, this, [this] {
        if (!selectedConfiguration()) {
            return;
        }
        context_.store->resetTextSettings(selectedDeviceID());
        fontColor_->setColor(storedColor(AppSettings::shared().fontColor));
        backgroundColor_->setColor(storedColor(AppSettings::shared().backgroundColor));
    });
}

template <typename T>
Binding<T> TextSettingsView::textBinding(T CameraAppearanceSettings::*field, T fallback) {
    return SelectedCamera::appearanceBinding(context_, field, fallback);
}

QString TextSettingsView::selectedDeviceID() const {
    return SelectedCamera::deviceID(context_);
}

void TextSettingsView::setSelectedDeviceID(const QString& id) {
    SelectedCamera::setDeviceID(context_, id);
}

std::optional<CameraDeviceConfiguration> TextSettingsView::selectedConfiguration() const {
    return SelectedCamera::configuration(context_);
}

void TextSettingsView::selectFirstDeviceIfNeeded() {
    // A selected camera that is merely unplugged stays selected.
    if (context_.store->configuration(selectedDeviceID())) {
        return;
    }
    const auto& list = context_.store->configurations();
    setSelectedDeviceID(list.isEmpty() ? QString() : list.first().id);
}

void TextSettingsView::refreshSelectedColors() {
    // Only the pickers follow the store; nothing is written back.
    if (const auto c = context_.store->configuration(selectedDeviceID())) {
        fontColor_->setColor(storedColor(c->appearance.fontColor));
        backgroundColor_->setColor(storedColor(c->appearance.backgroundColor));
    }
}

void TextSettingsView::appear() {
    appeared_ = true;
    context_.store->syncWithConnectedCameras();
    selectFirstDeviceIfNeeded();
    refreshSelectedColors();
    refresh();
}

void TextSettingsView::showEvent(QShowEvent* event) {
    SettingsForm::Page::showEvent(event);
    appear();
}

void TextSettingsView::configurationsChanged() {
    if (refreshing_) {
        return;
    }
    if (appeared_) {
        selectFirstDeviceIfNeeded();
    }
    refreshSelectedColors();
    refresh();
}

void TextSettingsView::defaultsChanged() {
    if (refreshing_ || selectedDeviceID() == lastSelectedID_) {
        return;
    }
    refreshSelectedColors();
    refresh();
}

void TextSettingsView::refreshFontPicker(const QString& font) {
    const QSignalBlocker blocker(fontPicker_);
    int index = fontPicker_->findData(font);
    if (index < 0 && !font.isEmpty()) {
        // A family that is not installed is still shown as the current choice.
        fontPicker_->insertItem(0, font, font);
        index = 0;
    }
    fontPicker_->setCurrentIndex(index);
}

void TextSettingsView::refresh() {
    refreshing_ = true;
    lastSelectedID_ = selectedDeviceID();
    const auto& list = context_.store->configurations();
    const auto selected = selectedConfiguration();
    const CameraAppearanceSettings a =
        selected ? selected->appearance : CameraAppearanceSettings::compiledDefault();

    {
        const QSignalBlocker blocker(cameraPicker_);
        bool same = cameraPicker_->count() == list.size();
        for (int i = 0; same && i < cameraPicker_->count(); ++i) {
            same = cameraPicker_->itemData(i).toString() == list[i].id &&
                   cameraPicker_->itemText(i) == list[i].name;
        }
        if (!same) {
            cameraPicker_->clear();
            for (const auto& c : list) {
                cameraPicker_->addItem(c.name, c.id);
            }
        }
        cameraPicker_->setCurrentIndex(cameraPicker_->findData(lastSelectedID_));
    }
    cameraPicker_->parentWidget()->setVisible(!list.isEmpty());
    noCameras_->setVisible(list.isEmpty());
    editingCaption_->setVisible(selected.has_value());
    if (selected) {
        editingCaption_->setText(tr("Editing text for ") + selected->name);
    }

    enableToggle_->setEnabled(selected.has_value());
    enableToggle_->setChecked(a.textEnabled);
    textEntry_->setEnabled(a.textEnabled);
    if (textField_->text() != a.text) {
        textField_->setText(a.text);
    }
    remaining_->setText(
        QString::asprintf(
            "%lld", static_cast<long long>(textLimit - OverlayTextField::characterCount(a.text))) +
        tr(" characters remaining"));

    const bool styleEnabled = selected.has_value() && a.textEnabled;
    for (QWidget* row : std::as_const(styleRows_)) {
        row->setEnabled(styleEnabled);
    }
    refreshFontPicker(a.font);
    for (auto* slider : std::as_const(sliders_)) {
        slider->refresh();
    }
    if (!selected) {
        fontColor_->setColor(storedColor(AppSettings::shared().fontColor));
        backgroundColor_->setColor(storedColor(AppSettings::shared().backgroundColor));
    }
    refreshing_ = false;
}

}  // namespace mirelon
