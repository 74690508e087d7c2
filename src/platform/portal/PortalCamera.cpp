// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/portal/PortalCamera.h"

#include "platform/portal/PortalRequest.h"
#include "platform/portal/PortalServices.h"
#include "platform/qt/Logging.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusUnixFileDescriptor>
#include <QDBusVariant>
#include <QFileInfo>

#include <fcntl.h>
#include <unistd.h>

namespace mirelon {
namespace {
const QString kCamera = QStringLiteral("org.freedesktop.portal.Camera");
constexpr int kCallTimeoutMs = 10000;
}  // namespace

PortalCamera::PortalCamera(QDBusConnection bus, QString flatpakInfo)
    : bus_(std::move(bus)), flatpakInfo_(std::move(flatpakInfo)) {}

bool PortalCamera::isSandboxed() const {
    return !qEnvironmentVariableIsEmpty("FLATPAK_ID") || QFileInfo::exists(flatpakInfo_);
}

void PortalCamera::isCameraPresent(std::function<void(bool)> done) {
    QDBusMessage get = QDBusMessage::createMethodCall(
        PortalRequest::service, PortalRequest::objectPath,
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get.setArguments({kCamera, QStringLiteral("IsCameraPresent")});
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(get, kCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [done = std::move(done)](QDBusPendingCallWatcher* w) {
                w->deleteLater();
                const QDBusPendingReply<QDBusVariant> reply = *w;
                if (reply.isError()) {
                    qCInfo(lcCapture).noquote() << "No camera portal:" << reply.error().message();
                    done(false);
                    return;
                }
                const QVariant value = reply.value().variant();
                if (value.metaType() != QMetaType::fromType<bool>()) {
                    qCWarning(lcCapture) << "The camera portal answered IsCameraPresent with"
                                         << value.typeName() << "instead of a boolean";
                    done(false);
                    return;
                }
                done(value.toBool());
            });
}

void PortalCamera::open(std::function<void(Answer, int)> done) {
    switch (access_) {
        case Access::refused:
            done(Answer::refused, -1);
            return;
        case Access::asking:
            waiting_.push_back(std::move(done));
            return;
        case Access::granted:
            waiting_.push_back(std::move(done));
            openRemote();
            return;
        case Access::unknown:
            break;
    }
    access_ = Access::asking;
    waiting_.push_back(std::move(done));
    PortalRequest::start(
        bus_, kCamera, QStringLiteral("AccessCamera"), {}, {},
        [this](uint code, const QVariantMap& results) {
            if (code == PortalRequest::yes) {
                qCInfo(lcCapture) << "The camera portal granted access";
                access_ = Access::granted;
                openRemote();
            } else if (code == PortalRequest::refused) {
                qCWarning(lcCapture) << "Camera access was refused through the camera portal";
                access_ = Access::refused;
                answerAll(Answer::refused, -1);
            } else {
                qCWarning(lcCapture).noquote()
                    << "The camera portal did not answer:"
                    << results.value(QStringLiteral("error"), QStringLiteral("code %1").arg(code))
                           .toString();
                access_ = Access::unknown;
                answerAll(Answer::unavailable, -1);
            }
        });
}

void PortalCamera::openRemote() {
    QDBusMessage call =
        QDBusMessage::createMethodCall(PortalRequest::service, PortalRequest::objectPath, kCamera,
                                       QStringLiteral("OpenPipeWireRemote"));
    call.setArguments({QVariantMap()});
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call, kCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusPendingReply<QDBusUnixFileDescriptor> reply = *w;
        if (reply.isError() || !reply.value().isValid()) {
            qCWarning(lcCapture).noquote()
                << "The camera portal gave no PipeWire connection:"
                << (reply.isError() ? reply.error().message() : QStringLiteral("no descriptor"));
            answerAll(Answer::unavailable, -1);
            return;
        }
        // The reply's descriptor closes with the reply: the receiver gets its own.
        const int fd = ::fcntl(reply.value().fileDescriptor(), F_DUPFD_CLOEXEC, 3);
        answerAll(fd >= 0 ? Answer::granted : Answer::unavailable, fd);
    });
}

void PortalCamera::answerAll(Answer answer, int fd) {
    auto waiting = std::move(waiting_);
    waiting_.clear();
    if (waiting.empty() && fd >= 0) {
        ::close(fd);
    }
    for (std::size_t i = 0; i < waiting.size(); ++i) {
        // Every receiver owns its descriptor.
        const int own = (answer == Answer::granted && i > 0) ? ::fcntl(fd, F_DUPFD_CLOEXEC, 3) : fd;
        waiting[i](answer, own);
    }
}

CameraPortal* makePortalCamera() {
    return new PortalCamera();
}

}  // namespace mirelon
