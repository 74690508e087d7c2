// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/SettingsView.h"

#include "capture/CameraViewModel.h"
#include "config/Preferences.h"
#include "platform/files/PreferencesFile.h"
#include "settings/AboutSettingsView.h"
#include "settings/CameraSettingsView.h"
#include "settings/GeneralSettingsView.h"
#include "settings/KeyShortcutsSettingsView.h"
#include "settings/RingLightSettingsView.h"
#include "settings/SettingsSymbols.h"
#include "settings/TextSettingsView.h"

#include <QButtonGroup>
#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QShowEvent>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>

namespace mirelon {

const std::vector<SettingsView::TabInfo>& SettingsView::tabs() {
    static const std::vector<TabInfo> table = {
        {Tab::general, QStringLiteral("general"), QStringLiteral(QT_TR_NOOP("General")),
         QStringLiteral("gear")},
        {Tab::camera, QStringLiteral("camera"), QStringLiteral(QT_TR_NOOP("Camera")),
         QStringLiteral("camera")},
        {Tab::text, QStringLiteral("text"), QStringLiteral(QT_TR_NOOP("Text")),
         QStringLiteral("textformat")},
        {Tab::ringLight, QStringLiteral("ringLight"), QStringLiteral(QT_TR_NOOP("Ring Light")),
         QStringLiteral("sun.max")},
        {Tab::keyShortcuts, QStringLiteral("keyShortcuts"),
         QStringLiteral(QT_TR_NOOP("Key Shortcuts")), QStringLiteral("keyboard")},
        {Tab::about, QStringLiteral("about"), QStringLiteral(QT_TR_NOOP("About")),
         QStringLiteral("info")},
    };
    return table;
}

SettingsView::Tab SettingsView::tabFromRawValue(const QString& raw) {
    for (const auto& info : tabs()) {
        if (info.rawValue == raw) {
            return info.tab;
        }
    }
    return Tab::general;
}

QString SettingsView::rawValue(Tab tab) {
    return tabs().at(static_cast<size_t>(tab)).rawValue;
}

SettingsView::SettingsView(QWidget* parent) : SettingsView(SettingsContext::standard(), parent) {}

SettingsView::SettingsView(const SettingsContext& context, QWidget* parent)
    : QWidget(parent),
      context_(context),
      cameraViewModel_(std::make_unique<CameraViewModel>(std::nullopt, true, context.defaults)) {
    setWindowTitle(tr("Mirelon Settings"));
    // A normal window: other windows (a full-screen one too) may cover it.
    setObjectName(QStringLiteral("MirelonSettings"));
    build();
    showTab(tabFromRawValue(Preferences(*context_.defaults).selectedSettingsTab()));
    defaultsObserver_ =
        context_.center->addObserver(Notifications::defaultsChanged, [this](const Notification&) {
            const Tab stored =
                tabFromRawValue(Preferences(*context_.defaults).selectedSettingsTab());
            if (stored != selectedTab()) {
                showTab(stored);
            }
        });
}

SettingsView::~SettingsView() = default;

QWidget* SettingsView::makeTab(Tab tab) {
    switch (tab) {
        case Tab::general:
            return new GeneralSettingsView(context_, cameraViewModel_.get());
        case Tab::camera:
            return new CameraSettingsView(context_);
        case Tab::text:
            return new TextSettingsView(context_);
        case Tab::ringLight:
            return new RingLightSettingsView(context_);
        case Tab::keyShortcuts:
            return new KeyShortcutsSettingsView();
        case Tab::about:
            return new AboutSettingsView();
    }
    return new QWidget;
}

void SettingsView::build() {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    tabBar_ = new QWidget(this);
    auto* bar = new QHBoxLayout(tabBar_);
    bar->setContentsMargins(8, 6, 8, 4);
    bar->setSpacing(2);
    bar->addStretch(1);
    buttons_ = new QButtonGroup(this);
    buttons_->setExclusive(true);
    for (const auto& info : tabs()) {
        auto* button = new QToolButton(tabBar_);
        button->setText(tr(qUtf8Printable(info.label)));
        button->setIcon(settingsSymbol(info.symbol));
        button->setIconSize(QSize(22, 22));
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        button->setCheckable(true);
        button->setAutoRaise(true);
        button->setMinimumWidth(72);
        button->setProperty("symbolName", info.symbol);
        buttons_->addButton(button, static_cast<int>(info.tab));
        bar->addWidget(button);
    }
    bar->addStretch(1);
    layout->addWidget(tabBar_);

    line_ = new QFrame(this);
    line_->setFrameShape(QFrame::HLine);
    line_->setFrameShadow(QFrame::Sunken);
    layout->addWidget(line_);

    stack_ = new QStackedWidget(this);
    for (const auto& info : tabs()) {
        auto* scroll = new QScrollArea(stack_);
        scroll->setWidgetResizable(true);
        scroll->setFrameShape(QFrame::NoFrame);
        scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        QWidget* content = makeTab(info.tab);
        content->setObjectName(info.rawValue);
        scroll->setWidget(content);
        content->installEventFilter(this);
        scrollAreas_.push_back(scroll);
        stack_->addWidget(scroll);
    }
    layout->addWidget(stack_, 1);

    connect(buttons_, &QButtonGroup::idClicked, this,
            [this](int id) { selectTab(static_cast<Tab>(id)); });
}

SettingsView::Tab SettingsView::selectedTab() const {
    return static_cast<Tab>(stack_->currentIndex());
}

void SettingsView::selectTab(Tab tab) {
    showTab(tab);
    Preferences prefs(*context_.defaults);
    if (prefs.selectedSettingsTab() != rawValue(tab) ||
        !context_.defaults->contains(PreferenceKeys::selectedSettingsTab)) {
        prefs.setSelectedSettingsTab(rawValue(tab));
    }
}

void SettingsView::showTab(Tab tab) {
    const int index = static_cast<int>(tab);
    if (QAbstractButton* button = buttons_->button(index)) {
        button->setChecked(true);
    }
    stack_->setCurrentIndex(index);
    updateWindowSize();
}

QWidget* SettingsView::tabContent(Tab tab) const {
    return scrollAreas_.at(static_cast<size_t>(tab))->widget();
}

QScrollArea* SettingsView::tabScrollArea(Tab tab) const {
    return scrollAreas_.at(static_cast<size_t>(tab));
}

QToolButton* SettingsView::tabButton(Tab tab) const {
    return qobject_cast<QToolButton*>(buttons_->button(static_cast<int>(tab)));
}

int SettingsView::naturalHeight() const {
    QWidget* content = tabContent(selectedTab());
    const int contentWidth = kWidth;
    const int contentHeight = content->hasHeightForWidth() ? content->heightForWidth(contentWidth)
                                                           : content->sizeHint().height();
    const int chrome = tabBar_->sizeHint().height() + line_->sizeHint().height();
    return chrome + contentHeight;
}

int SettingsView::heightLimit(int availableHeight) {
    return std::clamp(availableHeight - kFrameAllowance, kMinimumHeight, kMaximumHeight);
}

void SettingsView::updateWindowSize() {
    if (sizing_) {
        return;
    }
    sizing_ = true;
    const QScreen* where = screen();
    const int limit = where ? heightLimit(where->availableGeometry().height()) : kMaximumHeight;
    setFixedSize(kWidth, std::min(naturalHeight(), limit));
    sizing_ = false;
}

void SettingsView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // The screen it opens on (or moves to) limits its height.
    if (windowHandle() && !screenWatched_) {
        screenWatched_ = true;
        connect(windowHandle(), &QWindow::screenChanged, this, [this] { updateWindowSize(); });
    }
    updateWindowSize();
}

bool SettingsView::eventFilter(QObject* watched, QEvent* event) {
    // A tab whose content grows or shrinks (a camera plugged in, a caption
    // shown) takes the window's height with it.
    if (event->type() == QEvent::LayoutRequest && watched == tabContent(selectedTab())) {
        updateWindowSize();
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace mirelon
