// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QVariant>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace mirelon {

struct Notification {
    QString name;
    QVariant object;  // optional payload, e.g. a shortcut name
};

class EventBus;

// Registration handle: unregisters its observer when destroyed or reset.
class ObserverToken {
public:
    ObserverToken() = default;
    ObserverToken(const ObserverToken&) = delete;
    ObserverToken& operator=(const ObserverToken&) = delete;
    ObserverToken(ObserverToken&& other) noexcept;
    ObserverToken& operator=(ObserverToken&& other) noexcept;
    ~ObserverToken();

    void reset();
    bool isActive() const { return id_ != 0; }

private:
    friend class EventBus;
    ObserverToken(std::weak_ptr<EventBus*> center, std::uint64_t id)
        : center_(std::move(center)), id_(id) {}
    std::weak_ptr<EventBus*> center_;
    std::uint64_t id_ = 0;
};

// In-process notification centre. Posting calls every observer of the name
// synchronously, in registration order, on the calling (main) thread.
// Observers may add or remove registrations while a post is running.
class EventBus {
public:
    using Handler = std::function<void(const Notification&)>;

    EventBus();
    ~EventBus();
    EventBus(const EventBus&) = delete;
    EventBus& operator=(const EventBus&) = delete;

    static EventBus& shared();

    [[nodiscard]] ObserverToken addObserver(const QString& name, Handler handler);
    void post(const QString& name, const QVariant& object = {});

    std::size_t observerCount(const QString& name) const;

private:
    friend class ObserverToken;
    void remove(std::uint64_t id);

    struct Entry {
        std::uint64_t id;
        QString name;
        std::shared_ptr<Handler> handler;
    };
    std::vector<Entry> entries_;
    std::uint64_t nextId_ = 1;
    std::shared_ptr<EventBus*> self_;
};

// Names posted by the platform layer.
namespace Notifications {
inline const QString defaultsChanged = QStringLiteral("Mirelon.PreferencesFileDidChange");
inline const QString screensChanged = QStringLiteral("Mirelon.ScreensDidChange");
inline const QString cameraConnected = QStringLiteral("Mirelon.CaptureDeviceWasConnected");
inline const QString cameraDisconnected = QStringLiteral("Mirelon.CaptureDeviceWasDisconnected");
// A connected camera changed (its display name or its default flag).
inline const QString cameraChanged = QStringLiteral("Mirelon.CaptureDeviceWasChanged");
// The user refused the program the cameras when the desktop asked.
inline const QString cameraAccessRefused = QStringLiteral("Mirelon.CameraAccessWasRefused");
}  // namespace Notifications

}  // namespace mirelon
