// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qt/ScreenChangeNotifier.h"

#include "platform/qt/EventBus.h"

#include <QGuiApplication>
#include <QScreen>

namespace mirelon {

ScreenChangeNotifier& ScreenChangeNotifier::shared() {
    static ScreenChangeNotifier* notifier = new ScreenChangeNotifier();  // lives for the process
    return *notifier;
}

ScreenChangeNotifier::ScreenChangeNotifier() {
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (!app) {
        return;
    }
    connect(app, &QGuiApplication::screenAdded, this, [this](QScreen* screen) {
        watch(screen);
        noteChange();
    });
    connect(app, &QGuiApplication::screenRemoved, this, [this] { noteChange(); });
    connect(app, &QGuiApplication::primaryScreenChanged, this, [this] { noteChange(); });
    for (QScreen* screen : QGuiApplication::screens()) {
        watch(screen);
    }
}

void ScreenChangeNotifier::watch(QScreen* screen) {
    connect(screen, &QScreen::geometryChanged, this, [this] { noteChange(); });
    connect(screen, &QScreen::availableGeometryChanged, this, [this] { noteChange(); });
}

void ScreenChangeNotifier::noteChange() {
    if (pendingPost_.isPending()) {
        return;
    }
    pendingPost_ = Scheduler::main().schedule(0, [this] {
        pendingPost_ = TaskHandle();
        EventBus::shared().post(Notifications::screensChanged);
    });
}

}  // namespace mirelon
