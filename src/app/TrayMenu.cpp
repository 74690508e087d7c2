// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/TrayMenu.h"

#include "app/Links.h"
#include "app/ShortcutActions.h"
#include "config/Preferences.h"
#include "platform/MoveMode.h"
#include "platform/files/PreferencesFile.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcMenu, "app.mirelon.Mirelon.menu", QtInfoMsg)

namespace mirelon {

TrayMenu::TrayMenu(PreferencesFile& defaults, ShortcutActions& actions,
                   ShortcutRegistering& shortcuts, Handlers handlers, EventBus& center,
                   QObject* parent)
    : QObject(parent),
      defaults_(defaults),
      actions_(actions),
      shortcuts_(shortcuts),
      handlers_(std::move(handlers)),
      menu_(std::make_unique<QMenu>()) {
    menu_->setObjectName(QStringLiteral("MirelonMenu"));
    QMenu* m = menu_.get();

    startStop_ = addShortcutItem(tr("Start Mirelon"), ShortcutNames::toggleMirelon, [this] {
        if (handlers_.startStop) {
            handlers_.startStop();
        }
    });
    text_ = addShortcutItem(tr("Text"), ShortcutNames::toggleText, [this] {
        Preferences p(defaults_);
        p.setTextVisible(!p.textVisible());
    });
    text_->setCheckable(true);
    m->addSeparator();
    ringLight_ = addShortcutItem(tr("Ring Light"), ShortcutNames::toggleRingLight, [this] {
        Preferences p(defaults_);
        p.setRingLightEnabled(!p.ringLightEnabled());
    });
    ringLight_->setCheckable(true);
    m->addSeparator();
    addShortcutItem(tr("Increase Camera Size"), ShortcutNames::increaseCameraSize,
                    [this] { actions_.adjustCameraSize(ShortcutActions::cameraSizeStep); });
    addShortcutItem(tr("Decrease Camera Size"), ShortcutNames::decreaseCameraSize,
                    [this] { actions_.adjustCameraSize(-ShortcutActions::cameraSizeStep); });
    addShortcutItem(tr("Toggle Camera Mirroring"), ShortcutNames::toggleCameraMirroring,
                    [this] { actions_.toggleCameraMirroring(); });
    addShortcutItem(tr("Increase Text Size"), ShortcutNames::increaseTextSize,
                    [this] { actions_.adjustTextSize(ShortcutActions::textSizeStep); });
    addShortcutItem(tr("Decrease Text Size"), ShortcutNames::decreaseTextSize,
                    [this] { actions_.adjustTextSize(-ShortcutActions::textSizeStep); });
    if (MoveMode::shared().isAvailable()) {
        // Where holding Super over a panel cannot be seen, panels move in this mode.
        moveCameraPanels_ =
            addShortcutItem(tr("Move Camera Panels"), ShortcutNames::moveCameraPanels,
                            [] { MoveMode::shared().toggle(); });
        moveCameraPanels_->setCheckable(true);
        connect(&MoveMode::shared(), &MoveMode::activeChanged, this, [this] { update(); });
    }
    m->addSeparator();

    QAction* settings = m->addAction(tr("Settings..."));
    settings->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    connect(settings, &QAction::triggered, this, [this] {
        if (handlers_.openSettings) {
            handlers_.openSettings();
        }
    });

    QMenu* help = m->addMenu(tr("Help"));
    addLink(help, tr("FAQ"), Links::faq());
    addLink(help, tr("Videos"), Links::videos());
    addLink(help, tr("Support"), Links::support());
    QMenu* social = m->addMenu(tr("Social"));
    addLink(social, tr("X"), Links::x());
    addLink(social, tr("YouTube"), Links::youtube());
    m->addSeparator();

#if MIRELON_UPDATE_CHECK
    QAction* updates = m->addAction(tr("Check for Updates..."));
    connect(updates, &QAction::triggered, this, [this] {
        if (handlers_.checkForUpdates) {
            handlers_.checkForUpdates();
        }
    });
    m->addSeparator();
#endif

    addLink(m, tr("Website"), Links::website());
    addLink(m, tr("Suggest Idea"), Links::suggestIdea());
    addLink(m, tr("More Apps"), Links::moreApps());
    m->addSeparator();

    QAction* quit = m->addAction(tr("Quit Mirelon"));
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    connect(quit, &QAction::triggered, this, [this] {
        if (handlers_.quit) {
            handlers_.quit();
        }
    });

    connect(m, &QMenu::aboutToShow, this, [this] {
        if (handlers_.appear) {
            handlers_.appear();
        }
        update();
        logRows();
    });
    defaultsObserver_ = center.addObserver(Notifications::defaultsChanged,
                                           [this](const Notification&) { update(); });
    update();
    decorate();
}

TrayMenu::~TrayMenu() = default;

QAction* TrayMenu::addShortcutItem(const QString& title, const QString& shortcutName,
                                   std::function<void()> run) {
    QAction* action = menu_->addAction(title);
    connect(action, &QAction::triggered, this, [this, run = std::move(run)] {
        run();
        update();
    });
    decorated_.emplace_back(action, shortcutName);
    return action;
}

QAction* TrayMenu::addLink(QMenu* menu, const QString& title, const QUrl& url) {
    QAction* action = menu->addAction(title);
    action->setToolTip(url.toString());
    connect(action, &QAction::triggered, this, [this, url] {
        if (handlers_.openLink) {
            handlers_.openLink(url);
        }
    });
    return action;
}

void TrayMenu::update() {
    const Preferences p(defaults_);
    startStop_->setText(p.isMirelonOn() ? tr("Stop Mirelon") : tr("Start Mirelon"));
    text_->setChecked(p.textVisible());
    ringLight_->setChecked(p.ringLightEnabled());
    if (moveCameraPanels_) {
        moveCameraPanels_->setChecked(MoveMode::shared().isActive());
    }
}

void TrayMenu::logRows() const {
    if (!lcMenu().isDebugEnabled()) {
        return;
    }
    QStringList rows;
    for (QAction* action : menu_->actions()) {
        if (action->isSeparator()) {
            rows.append(QStringLiteral("-"));
            continue;
        }
        QString row = action->text();
        if (action->isCheckable()) {
            row += action->isChecked() ? QStringLiteral(" [x]") : QStringLiteral(" [ ]");
        }
        if (!action->shortcut().isEmpty()) {
            row += QStringLiteral(" <") + action->shortcut().toString() + u'>';
        }
        rows.append(row);
    }
    qCDebug(lcMenu).noquote() << "Menu opened:" << rows.join(QStringLiteral(" | "));
}

void TrayMenu::decorate() {
    for (const auto& [action, name] : decorated_) {
        shortcuts_.decorateMenuAction(action, name);
    }
}

}  // namespace mirelon
