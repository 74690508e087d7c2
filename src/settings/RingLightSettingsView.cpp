// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/RingLightSettingsView.h"

#include "config/Preferences.h"
#include "platform/DisplayNames.h"
#include "platform/FloatingWindow.h"
#include "platform/files/PreferencesFile.h"
#include "platform/qt/ScreenUtils.h"
#include "ringlight/RingLightDisplaySettingsStore.h"
#include "settings/SettingsSliderRow.h"
#include "settings/SettingsSymbols.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace mirelon {

QStringList RingLightSettingsView::displayTitles(const QList<ScreenName>& screens) {
    QStringList titles;
    for (const ScreenName& screen : screens) {
        const QString maker = screen.manufacturer.trimmed();
        const QString model = screen.model.trimmed();
        QString title;
        if (model.isEmpty()) {
            title = screen.connector;
        } else if (maker.isEmpty() || model.startsWith(maker, Qt::CaseInsensitive)) {
            title = model;
        } else {
            title = maker + u' ' + model;
        }
        titles.append(title.isEmpty() ? screen.connector : title);
    }
    QStringList result = titles;
    for (qsizetype i = 0; i < titles.size(); ++i) {
        if (titles.count(titles[i]) > 1 && titles[i] != screens[i].connector &&
            !screens[i].connector.isEmpty()) {
            result[i] = titles[i] + QStringLiteral(" (") + screens[i].connector + u')';
        }
    }
    return result;
}

QList<RingLightSettingsView::DisplayOption> RingLightSettingsView::connectedDisplays() {
    QList<QString> ids;
    QList<ScreenName> names;
    const QList<QScreen*> screens = QGuiApplication::screens();
    QList<QPoint> corners;
    for (const QScreen* screen : screens) {
        corners << screen->geometry().topLeft();
    }
    // Where Qt knows no monitor (XWayland), the desktop's names.
    const auto desktop = DisplayNames::match(corners, DisplayNames::known());
    for (qsizetype i = 0; i < screens.size(); ++i) {
        const QScreen* screen = screens[i];
        // Screens without an identifier are skipped.
        if (const auto id = Utils::displayID(screen)) {
            ids.append(*id);
            if (screen->manufacturer().isEmpty() && screen->model().isEmpty() && desktop[i]) {
                names.append({desktop[i]->connector, QString(), desktop[i]->title()});
            } else {
                names.append({screen->name(), screen->manufacturer(), screen->model()});
            }
        }
    }
    const QStringList titles = displayTitles(names);
    QList<DisplayOption> out;
    for (qsizetype i = 0; i < ids.size(); ++i) {
        out.append({ids[i], titles[i]});
    }
    return out;
}

RingLightSettingsView::RingLightSettingsView(const SettingsContext& context,
                                             DisplayProvider displays, QWidget* parent)
    : SettingsForm::Page(parent),
      context_(context),
      provider_(std::move(displays)),
      working_(RingLightDisplaySettingsStore::defaultSettings(*context.defaults)) {
    auto* select = addSection(tr("Select Display"));
    auto* block = new QWidget;
    auto* blockLayout = new QVBoxLayout(block);
    blockLayout->setContentsMargins(0, 0, 0, 0);
    blockLayout->setSpacing(4);
    noDisplays_ = new QLabel(tr("No displays detected"), block);
    noDisplays_->setForegroundRole(QPalette::PlaceholderText);
    blockLayout->addWidget(noDisplays_);
    picker_ = new QComboBox;
    picker_->setAccessibleName(tr("Display"));
    picker_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    pickerRow_ = SettingsForm::row(new QLabel(tr("Display")), picker_, block);
    blockLayout->addWidget(pickerRow_);
    configuring_ = SettingsForm::caption(QString(), block);
    blockLayout->addWidget(configuring_);
    select->addRow(block);
    connect(picker_, &QComboBox::activated, this, [this](int index) {
        if (index >= 0) {
            setSelectedDisplayID(picker_->itemData(index).toString());
        }
    });

    auto* section = addSection();
    auto* switchRow = new QWidget;
    auto* rowLayout = new QHBoxLayout(switchRow);
    rowLayout->setContentsMargins(0, 0, 0, 0);
    auto* label = new QVBoxLayout;
    label->setSpacing(1);
    auto* titleLine = new QHBoxLayout;
    titleLine->setSpacing(5);
    titleButton_ = new QPushButton(tr("Enable Ring Light"), switchRow);
    titleButton_->setFlat(true);
    titleButton_->setStyleSheet(QStringLiteral("QPushButton { padding: 0px; text-align: left; }"));
    titleButton_->setCursor(Qt::PointingHandCursor);
    titleLine->addWidget(titleButton_);
    infoButton_ = new QToolButton(switchRow);
    infoButton_->setAutoRaise(true);
    infoButton_->setIcon(settingsSymbol(QStringLiteral("info.circle.fill")));
    if (infoButton_->icon().isNull()) {
        infoButton_->setIcon(style()->standardIcon(QStyle::SP_MessageBoxInformation));
    }
    infoButton_->setIconSize(QSize(12, 12));
    infoButton_->setCursor(Qt::PointingHandCursor);
    infoButton_->setContentsMargins(0, 1, 0, 0);
    titleLine->addWidget(infoButton_, 0, Qt::AlignVCenter);
    titleLine->addStretch(1);
    label->addLayout(titleLine);
    status_ = SettingsForm::caption(QString(), switchRow);
    label->addWidget(status_);
    rowLayout->addLayout(label, 1);
    switch_ = new QCheckBox(switchRow);
    switch_->setAccessibleName(tr("Enable Ring Light"));
    rowLayout->addWidget(switch_, 0, Qt::AlignVCenter | Qt::AlignRight);
    section->addRow(switchRow);
    // Where the compositor gives overlays the clicks they refuse (older GNOME
    // without Mirelon's extension), say so while the ring light is on.
    clickWarning_ = SettingsForm::caption(
        tr("On this version of GNOME the ring light blocks clicks: windows and the top bar "
           "beneath it cannot be clicked while it is on. To fix this, install Mirelon's GNOME "
           "integration (General tab) and log in again."),
        nullptr);
    clickWarning_->setObjectName(QStringLiteral("clickThroughWarning"));
    clickWarning_->setWordWrap(true);
    clickWarning_->setVisible(false);
    section->addRow(clickWarning_);
    if (!FloatingWindow::canFollowPointer()) {
        // Native Wayland: the overlay cannot see the pointer, so no clear spot follows it.
        auto* note = SettingsForm::caption(
            tr("In this Wayland session the ring light keeps no clear spot around the pointer: "
               "no program can see where the pointer is over other windows."),
            nullptr);
        note->setObjectName(QStringLiteral("pointerHoleNote"));
        note->setWordWrap(true);
        section->addRow(note);
        // Which display the step shortcuts change (see ringLightStepDisplays).
        auto* steps = SettingsForm::caption(
            tr("The ring light shortcuts for width and temperature change the display where the "
               "pointer was last over a camera panel, else the display of the camera panel you "
               "moved last, else every lit display."),
            nullptr);
        steps->setObjectName(QStringLiteral("stepDisplayNote"));
        steps->setWordWrap(true);
        section->addRow(steps);
    }
    connect(titleButton_, &QPushButton::clicked, this, &RingLightSettingsView::showPopover);
    connect(infoButton_, &QToolButton::clicked, this, &RingLightSettingsView::showPopover);
    connect(switch_, &QCheckBox::clicked, this,
            [this](bool on) { edit([on](RingLightDisplaySettings& s) { s.isEnabled = on; }); });

    struct SliderDefinition {
        QString title;
        QString subtitle;
        double RingLightDisplaySettings::*field;
        double lower, upper;
        QString minimumSymbol, maximumSymbol;
    };
    // "Brightness" edits the band's width: a wider band gives more light.
    const std::vector<SliderDefinition> definitions = {
        {tr("Temperature"), tr("Choose warmer (amber) or cooler (blue) light tone."),
         &RingLightDisplaySettings::temperature, 0, 1, QStringLiteral("thermometer.low"),
         QStringLiteral("thermometer.high")},
        {tr("Brightness"), tr("Controls how thick the ring light appears at the screen edges."),
         &RingLightDisplaySettings::width, 8, 80, QStringLiteral("sun.min.fill"),
         QStringLiteral("sun.max.fill")},
        {tr("Glow"), tr("Controls the shadow intensity around the ring light."),
         &RingLightDisplaySettings::glow, 0, 1, QStringLiteral("light.min"),
         QStringLiteral("light.max")},
    };
    for (const auto& definition : definitions) {
        const auto field = definition.field;
        auto* row = new SettingsSliderRow(
            definition.title, definition.subtitle,
            DoubleBinding{[this, field] { return working_.*field; },
                          [this, field](double v) {
                              edit([field, v](RingLightDisplaySettings& s) { s.*field = v; });
                          }},
            definition.lower, definition.upper, definition.minimumSymbol, definition.maximumSymbol);
        sliders_.insert(definition.title, row);
        section->addRow(row);
    }

    section->addRow(SettingsForm::resetRow(tr("Reset to default ring light settings"), &reset_));
    connect(reset_, &QPushButton::clicked, this, [this] {
        working_ = RingLightDisplaySettingsStore::defaultSettings(*context_.defaults);
        persistSelectedDisplaySettings();
        refreshControls();
    });
    finish();

    defaultsObserver_ = context_.center->addObserver(
        Notifications::defaultsChanged, [this](const Notification&) { defaultsChanged(); });
    screensObserver_ =
        context_.center->addObserver(Notifications::screensChanged, [this](const Notification&) {
            if (appeared_) {
                refreshDisplays();
            } else {
                listDisplays();
            }
        });
    listDisplays();
    if (provider_) {
        DisplayNames::refresh(this, [this] { listDisplays(); });
    }
}

void RingLightSettingsView::listDisplays() {
    displays_ = provider_ ? provider_() : QList<DisplayOption>{};
    const QString id = selectedDisplayID();
    if (std::any_of(displays_.begin(), displays_.end(),
                    [&](const DisplayOption& o) { return o.id == id; })) {
        loadSelectedDisplaySettings();
    }
    refreshControls();
}

RingLightSettingsView::~RingLightSettingsView() = default;

QString RingLightSettingsView::selectedDisplayID() const {
    return Preferences(*context_.defaults).ringLightSelectedDisplayID();
}

std::optional<QString> RingLightSettingsView::selectedDisplayTitle() const {
    const QString id = selectedDisplayID();
    for (const auto& option : displays_) {
        if (option.id == id) {
            return option.title;
        }
    }
    return std::nullopt;
}

void RingLightSettingsView::setSelectedDisplayID(const QString& id) {
    if (selectedDisplayID() != id) {
        Preferences(*context_.defaults).setRingLightSelectedDisplayID(id);
    }
    if (loadedID_ != id) {
        loadSelectedDisplaySettings();
    }
    refreshControls();
}

void RingLightSettingsView::refreshDisplays() {
    displays_ = provider_ ? provider_() : QList<DisplayOption>{};
    if (displays_.isEmpty()) {
        if (!selectedDisplayID().isEmpty()) {
            Preferences(*context_.defaults).setRingLightSelectedDisplayID(QString());
        }
        loadedID_.clear();
        working_ = RingLightDisplaySettingsStore::defaultSettings(*context_.defaults);
        refreshControls();
        return;
    }
    const QString id = selectedDisplayID();
    const bool present = std::any_of(displays_.begin(), displays_.end(),
                                     [&](const DisplayOption& o) { return o.id == id; });
    if (present) {
        loadSelectedDisplaySettings();
        refreshControls();
        return;
    }
    setSelectedDisplayID(displays_.first().id);
}

void RingLightSettingsView::loadSelectedDisplaySettings() {
    const QString id = selectedDisplayID();
    if (id.isEmpty()) {
        return;
    }
    const auto all = RingLightDisplaySettingsStore::loadAllSettings(*context_.defaults);
    const auto it = all.find(id);
    working_ = it != all.end() ? it->second
                               : RingLightDisplaySettingsStore::defaultSettings(*context_.defaults);
    loadedID_ = id;
}

void RingLightSettingsView::persistSelectedDisplaySettings() {
    const QString id = selectedDisplayID();
    if (id.isEmpty()) {
        return;
    }
    writing_ = true;
    auto all = RingLightDisplaySettingsStore::loadAllSettings(*context_.defaults);
    all[id] = working_;
    RingLightDisplaySettingsStore::saveAllSettings(all, *context_.defaults);
    writing_ = false;
}

void RingLightSettingsView::edit(const std::function<void(RingLightDisplaySettings&)>& change) {
    change(working_);
    persistSelectedDisplaySettings();
    refreshControls();
}

void RingLightSettingsView::defaultsChanged() {
    if (writing_) {
        return;
    }
    // Another writer (a shortcut step, the menu switch, an outside edit, the
    // selection changed elsewhere): the working copy follows the store so the
    // next edit here does not put back values that were changed meanwhile.
    if (!selectedDisplayID().isEmpty() &&
        std::any_of(displays_.begin(), displays_.end(),
                    [&](const DisplayOption& o) { return o.id == selectedDisplayID(); })) {
        loadSelectedDisplaySettings();
        refreshControls();
    }
}

void RingLightSettingsView::showPopover() {
    if (!popover_) {
        popover_ = new InfoPopover(this);
        auto* text = new QLabel(tr("If Ring Light is not enabled on any display, starting Ring "
                                   "Light shows it on the currently active display."),
                                popover_);
        text->setWordWrap(true);
        text->setFixedWidth(320 - 24);
        popover_->contentLayout()->addWidget(text);
    }
    popover_->showAt(infoButton_, InfoPopover::Edge::above);
}

void RingLightSettingsView::appear() {
    appeared_ = true;
    refreshDisplays();
}

void RingLightSettingsView::showEvent(QShowEvent* event) {
    SettingsForm::Page::showEvent(event);
    appear();
}

void RingLightSettingsView::refreshControls() {
    const QString id = selectedDisplayID();
    const auto title = selectedDisplayTitle();
    noDisplays_->setVisible(displays_.isEmpty());
    pickerRow_->setVisible(!displays_.isEmpty());
    {
        const QSignalBlocker blocker(picker_);
        bool same = picker_->count() == displays_.size();
        for (int i = 0; same && i < picker_->count(); ++i) {
            same = picker_->itemData(i).toString() == displays_[i].id &&
                   picker_->itemText(i) == displays_[i].title;
        }
        if (!same) {
            picker_->clear();
            for (const auto& option : std::as_const(displays_)) {
                picker_->addItem(option.title, option.id);
            }
        }
        picker_->setCurrentIndex(picker_->findData(id));
    }
    configuring_->setVisible(title.has_value());
    if (title) {
        configuring_->setText(tr("Configuring Ring Light for ") + *title);
    }
    switch_->setChecked(working_.isEnabled);
    clickWarning_->setVisible(working_.isEnabled && FloatingWindow::overlaysBlockClicks());
    status_->setText(tr("Ring Light is ") + (working_.isEnabled ? tr("enabled") : tr("disabled")) +
                     tr(" for ") + title.value_or(tr("the selected display")) +
                     QStringLiteral("."));
    for (auto* slider : std::as_const(sliders_)) {
        slider->refresh();
    }
    reset_->setEnabled(!id.isEmpty());
}

}  // namespace mirelon
