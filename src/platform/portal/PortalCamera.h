// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/CameraPortal.h"

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <functional>
#include <vector>

namespace mirelon {

// The camera portal (org.freedesktop.portal.Camera) on the session bus:
// AccessCamera once, then OpenPipeWireRemote. Answers arrive on the main
// thread; nothing waits on the bus. A refused question is not asked again
// while the program runs; a grant opens a fresh connection each time.
class PortalCamera final : public QObject, public CameraPortal {
    Q_OBJECT
public:
    explicit PortalCamera(QDBusConnection bus = QDBusConnection::sessionBus(),
                          QString flatpakInfo = QStringLiteral("/.flatpak-info"));

    bool isSandboxed() const override;
    void isCameraPresent(std::function<void(bool)> done) override;
    void open(std::function<void(Answer, int)> done) override;
    bool wasRefused() const override { return access_ == Access::refused; }

private:
    void openRemote();
    void answerAll(Answer answer, int fd);

    QDBusConnection bus_;
    QString flatpakInfo_;
    enum class Access { unknown, asking, granted, refused } access_ = Access::unknown;
    std::vector<std::function<void(Answer, int)>> waiting_;
};

}  // namespace mirelon
