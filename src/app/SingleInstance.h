// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/files/FileLock.h"
#include "platform/qt/Scheduler.h"

#include <QByteArray>
#include <QLocalServer>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QLocalSocket;

namespace mirelon {

// One running program per user, display and preferences file. The running
// instance holds an exclusive lock on a file in a private runtime folder for
// its whole life and listens on a local socket beside it; a later launch that
// finds the lock taken hands its request over through the socket and exits.
// Taking the lock comes before the socket exists, so of any number of
// simultaneous launches exactly one becomes the instance. Only the user's own
// processes are ever talked to: the folder is closed to others and both ends
// check the peer's user id. This runs before any store exists, so it reads
// nothing but the environment.
//
// The socket survives a flood of connections: at most maximumClients are
// served at once (a newcomer beyond that ends the oldest), a client that has
// not sent its request within idleTimeout seconds is dropped, and when the
// server stops listening (Qt closes it when accept() fails, at the
// descriptor limit say) that is logged and it listens again.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    struct Channel {
        QString socketPath;
        QString lockPath;
    };

    // How long a request waits for the running instance: long enough for one
    // that is still starting (its first answer comes from its event loop).
    static constexpr int defaultTimeoutMs = 15000;
    // Connections served at once, and how long one may stay without a request.
    static constexpr int maximumClients = 64;
    static constexpr double idleTimeout = 3.0;
    // How often the instance checks that it still listens.
    static constexpr double listenCheckInterval = 1.0;

    static inline const QByteArray openSettingsRequest = QByteArrayLiteral("open-settings\n");
    // "action NAME\n": runs a named shortcut action.
    static QByteArray actionRequest(const QString& name);

    // What the instance answers.
    static inline const QByteArray okReply = QByteArrayLiteral("ok\n");
    static inline const QByteArray unknownActionReply = QByteArrayLiteral("unknown-action\n");
    static inline const QByteArray unavailableActionReply = QByteArrayLiteral("unavailable\n");

    // The channel in the private runtime folder for this user, display and
    // preferences file; none (the reason in *problem) when no private folder
    // can be had.
    static std::optional<Channel> defaultChannel(QString* problem = nullptr);

    enum class ActionResult { Done, Unknown, Unavailable };
    using ActionHandler = std::function<ActionResult(const QString& name)>;

    // Without a channel the program runs on its own: nothing is handed over.
    explicit SingleInstance(std::optional<Channel> channel, QObject* parent = nullptr);
    ~SingleInstance() override;

    enum class Claim {
        Instance,    // this process is the running instance now
        HandedOver,  // another instance took the request: the caller exits
        NoAnswer,    // another instance holds the lock but did not answer in time
    };
    // Becomes the running instance, or asks the one already running to open
    // its settings window.
    Claim claim();

    // The outcome of sending one request to the running instance.
    struct Answer {
        enum Status {
            Replied,     // reply holds the instance's answer line
            NoInstance,  // nobody holds the lock: no instance runs
            NoAnswer,    // the lock is held but nobody answered before the deadline
            Unusable,    // no private channel (see defaultChannel)
        } status = NoInstance;
        QByteArray reply;
    };
    // Sends a request line and waits for the answer line (at most timeoutMs).
    static Answer send(const Channel& channel, const QByteArray& request,
                       int timeoutMs = defaultTimeoutMs);

    void setActionHandler(ActionHandler handler) { actionHandler_ = std::move(handler); }

    bool isListening() const { return server_.isListening(); }
    int clientCount() const { return static_cast<int>(clients_.size()); }
    // Listens again when the server stopped (also run every listenCheckInterval).
    void checkListening();
    bool holdsLock() const { return lock_ && lock_->isLocked(); }
    std::optional<Channel> channel() const { return channel_; }

    // How long a launch waits for a lock holder that does not answer yet
    // (it may be starting). Tests shorten it.
    void setHandOverTimeoutMs(int ms) { handOverTimeoutMs_ = ms; }
    // The user id peers must have; tests change it to see a stranger refused.
    void setExpectedPeerUid(uint uid) { expectedPeerUid_ = uid; }
    static Answer sendExpectingPeer(const Channel& channel, const QByteArray& request,
                                    int timeoutMs, uint expectedPeerUid);

Q_SIGNALS:
    // Another launch asked this instance to show its settings window.
    void settingsRequested();

private:
    bool listen(bool reportFailure = true);
    void accept(QLocalSocket* socket);
    void readRequest(QLocalSocket* socket);
    QByteArray answer(const QByteArray& line);
    void forget(QLocalSocket* socket);
    void drop(QLocalSocket* socket);

    struct Client {
        QLocalSocket* socket;
        TaskHandle deadline;
    };

    std::optional<Channel> channel_;
    std::unique_ptr<FileLock> lock_;
    QLocalServer server_;
    std::vector<Client> clients_;  // in the order they came
    TaskHandle listenCheck_;
    bool listenLossLogged_ = false;
    bool evictionLogged_ = false;
    ActionHandler actionHandler_;
    int handOverTimeoutMs_ = defaultTimeoutMs;
    uint expectedPeerUid_;
};

}  // namespace mirelon
