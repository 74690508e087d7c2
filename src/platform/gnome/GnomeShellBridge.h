// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QObject>
#include <QPoint>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>

class QDBusConnection;
class QDBusMessage;
class QDBusServiceWatcher;

namespace mirelon {

// Mirelon's side of the companion GNOME Shell extension (bus name
// app.mirelon.Shell on the session bus, interface in
// gnome-shell/app.mirelon.Shell.xml).
//
// Follows the extension appearing and leaving the bus; it counts as running
// once it answered its protocol version. What Mirelon asked of it (the
// overlay windows, move mode, the pointer watch) is kept here and sent again
// whenever the extension (re)appears, since it forgets a client's requests
// when either side leaves. Accelerator grabs are the hot-key service's: it
// grabs again when told the extension came or went (runningChanged).
class GnomeShellBridge : public QObject {
    Q_OBJECT
public:
    static const QString serviceName;
    static const QString objectPath;
    static const QString interfaceName;

    // Follows the extension on `bus` (the session bus in the program).
    explicit GnomeShellBridge(const QDBusConnection& bus, QObject* parent = nullptr);
    ~GnomeShellBridge() override;

    // The program's bridge on the session bus, made on first use.
    static GnomeShellBridge& shared();
    // Whether someone owns the extension's bus name on the session bus now
    // (one short call to the bus; false without a session bus).
    static bool extensionOwnsBusName();

    bool isRunning() const { return running_; }
    std::uint32_t protocolVersion() const { return version_; }
    // The running GNOME Shell's version ("43.9"), as the extension or, without
    // it, the shell itself reports it; empty until known.
    QString shellVersion() const { return shellVersion_; }
    // Whether a shell of that version takes an Xwayland window's whole area
    // as its input region on each new frame (before 44.2), so that overlays
    // block clicks unless the extension runs. False for an unknown version.
    static bool hasInputShapeFault(const QString& shellVersion);

    // The X ids of the program's overlay windows; sent when they differ from
    // what the extension has.
    void setOverlayWindows(const QList<quint64>& windows);
    QList<quint64> overlayWindows() const { return overlays_; }
    void setMoveMode(bool on);
    void setWatchingPointer(bool watching);

    // A grab in the shell (blocks for the reply, up to callTimeoutMs).
    struct Grab {
        enum class Result { grabbed, reserved, invalid, failed } result = Result::failed;
        std::uint32_t action = 0;
        QString error;
    };
    Grab grabAccelerator(const QString& accelerator, const QString& name);
    // Releases a grab (the reply is not waited for).
    void ungrabAccelerator(std::uint32_t action);

    static constexpr int callTimeoutMs = 3000;

Q_SIGNALS:
    // The extension started answering, or left the bus.
    void runningChanged(bool running);
    // A grabbed accelerator was pressed.
    void activated(std::uint32_t action, const QString& name);
    // The pointer moved (the shell's logical coordinates), while watched.
    void pointerMoved(QPoint position);

private Q_SLOTS:
    void activatedMessage(const QDBusMessage& message);
    void pointerMovedMessage(const QDBusMessage& message);

private:
    void appeared();
    void vanished();
    void readVersion();
    void readShellVersion();
    void versionRead(std::uint32_t version, const QString& shellVersion);
    void sendOverlays();
    void sendMoveMode();
    void sendPointerWatch();
    void callAsync(const QString& method, const QVariantList& arguments);

    std::unique_ptr<QDBusConnection> bus_;
    QDBusServiceWatcher* watcher_ = nullptr;
    QString owner_;  // unique name of the extension's connection
    bool running_ = false;
    std::uint32_t version_ = 0;
    QString shellVersion_;
    std::uint64_t generation_ = 0;  // counts appearances, so stale replies are dropped

    QList<quint64> overlays_;
    std::optional<QList<quint64>> sentOverlays_;
    bool moveMode_ = false;
    bool sentMoveMode_ = false;
    bool watchingPointer_ = false;
    bool sentPointerWatch_ = false;
};

}  // namespace mirelon
