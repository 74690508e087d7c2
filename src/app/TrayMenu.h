// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/AppServices.h"
#include "platform/qt/EventBus.h"

#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QUrl>

#include <functional>
#include <memory>

namespace mirelon {

class ShortcutActions;
class PreferencesFile;

// The drop-down menu of the tray item, top to bottom: start/stop, Text,
// Ring Light, the size and mirroring steps, Settings..., Help, Social,
// Check for Updates..., the three links and Quit Mirelon.
class TrayMenu : public QObject {
    Q_OBJECT
public:
    struct Handlers {
        std::function<void()> startStop;  // the start/stop row
        std::function<void()> appear;     // runs whenever the menu opens
        std::function<void()> openSettings;
        std::function<void()> checkForUpdates;  // does nothing when empty
        std::function<void()> quit;
        std::function<void(const QUrl&)> openLink;
    };

    TrayMenu(PreferencesFile& defaults, ShortcutActions& actions, ShortcutRegistering& shortcuts,
             Handlers handlers, EventBus& center = EventBus::shared(), QObject* parent = nullptr);
    ~TrayMenu() override;

    QMenu* menu() const { return menu_.get(); }
    // Re-reads the titles and check marks from the preferences.
    void update();

    QAction* startStopAction() const { return startStop_; }
    QAction* textAction() const { return text_; }
    QAction* ringLightAction() const { return ringLight_; }
    // Present only where move mode is available (native Wayland sessions).
    QAction* moveCameraPanelsAction() const { return moveCameraPanels_; }

private:
    // Asks the shortcut module to show each row's shortcut; it follows later
    // changes by itself.
    void decorate();
    // With debug logging on, one line listing the rows as shown.
    void logRows() const;
    QAction* addShortcutItem(const QString& title, const QString& shortcutName,
                             std::function<void()> run);
    QAction* addLink(QMenu* menu, const QString& title, const QUrl& url);

    PreferencesFile& defaults_;
    ShortcutActions& actions_;
    ShortcutRegistering& shortcuts_;
    Handlers handlers_;
    std::unique_ptr<QMenu> menu_;
    QAction* startStop_ = nullptr;
    QAction* text_ = nullptr;
    QAction* ringLight_ = nullptr;
    QAction* moveCameraPanels_ = nullptr;
    std::vector<std::pair<QAction*, QString>> decorated_;
    ObserverToken defaultsObserver_;
};

}  // namespace mirelon
