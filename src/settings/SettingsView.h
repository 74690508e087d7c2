// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/qt/EventBus.h"
#include "settings/SettingsContext.h"

#include <QString>
#include <QWidget>

#include <memory>
#include <vector>

class QButtonGroup;
class QFrame;
class QScrollArea;
class QStackedWidget;
class QToolButton;

namespace mirelon {

class CameraViewModel;

// The settings window: six tabs under a row of tab buttons, exactly 500 wide
// and as tall as the selected tab up to 520, and never taller than the
// screen it is on leaves room for (the tab scrolls beyond that). A normal
// window, not kept above others. The selected tab is remembered in
// "selectedSettingsTab" and follows that preference when it changes.
class SettingsView : public QWidget {
    Q_OBJECT
public:
    enum class Tab { general, camera, text, ringLight, keyShortcuts, about };
    struct TabInfo {
        Tab tab;
        QString rawValue;
        QString label;
        QString symbol;
    };
    static const std::vector<TabInfo>& tabs();
    // Any string that is not a tab's raw value reads as General.
    static Tab tabFromRawValue(const QString& raw);
    static QString rawValue(Tab tab);

    static constexpr int kWidth = 500;
    static constexpr int kMaximumHeight = 520;
    static constexpr int kMinimumHeight = 200;
    // Room left on the screen for the window manager's title bar and frame.
    static constexpr int kFrameAllowance = 48;
    // The tallest the window may be on a screen whose free height is availableHeight.
    static int heightLimit(int availableHeight);

    explicit SettingsView(QWidget* parent = nullptr);
    explicit SettingsView(const SettingsContext& context, QWidget* parent = nullptr);
    ~SettingsView() override;

    Tab selectedTab() const;
    // Shows a tab and stores its raw value.
    void selectTab(Tab tab);

    QWidget* tabContent(Tab tab) const;
    QScrollArea* tabScrollArea(Tab tab) const;
    QToolButton* tabButton(Tab tab) const;
    // The window's own camera model, following the shared device preference.
    CameraViewModel* cameraViewModel() const { return cameraViewModel_.get(); }

    // Fits the window to the selected tab's natural height (at most 520, and
    // at most heightLimit() of its screen).
    void updateWindowSize();
    // The natural height of the selected tab's content plus the tab row.
    int naturalHeight() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void build();
    void showTab(Tab tab);
    QWidget* makeTab(Tab tab);

    SettingsContext context_;
    std::unique_ptr<CameraViewModel> cameraViewModel_;
    QButtonGroup* buttons_ = nullptr;
    QStackedWidget* stack_ = nullptr;
    QWidget* tabBar_ = nullptr;
    QFrame* line_ = nullptr;
    std::vector<QScrollArea*> scrollAreas_;
    bool sizing_ = false;
    bool screenWatched_ = false;
    ObserverToken defaultsObserver_;
};

}  // namespace mirelon
