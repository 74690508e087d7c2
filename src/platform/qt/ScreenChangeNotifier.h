// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/qt/Scheduler.h"

#include <QObject>

class QScreen;

namespace mirelon {

// Posts Notifications::screensChanged when screens are added or removed, change
// geometry or the primary screen changes; several changes within one turn of
// the main loop give one notification on the next turn.
class ScreenChangeNotifier : public QObject {
    Q_OBJECT
public:
    // The process-wide notifier, following Qt's screens from its first use.
    static ScreenChangeNotifier& shared();

    // Records a change; the notification follows on a later turn.
    void noteChange();

private:
    ScreenChangeNotifier();
    void watch(QScreen* screen);

    TaskHandle pendingPost_;
};

}  // namespace mirelon
