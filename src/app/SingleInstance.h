#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>

namespace mirelon {

// One running program per user and desktop session. A second launch connects
// to the first through a local socket, asks it to open its settings window and
// then exits. This runs before any store exists, so it reads nothing but the
// environment.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    static inline const QByteArray openSettingsRequest = QByteArrayLiteral("open-settings\n");

    // Socket path for this user, X display and preferences file:
    // $XDG_RUNTIME_DIR (or the temporary folder)/mirelon-<uid>-<hash>.sock.
    static QString defaultServerName();

    explicit SingleInstance(QString serverName = defaultServerName(), QObject* parent = nullptr);
    ~SingleInstance() override;

    // Becomes the running instance, or hands over to the one already running.
    // Returns false when another instance took the request: the caller exits.
    bool claimOrHandOver();

    bool isListening() const { return server_.isListening(); }
    QString serverName() const { return name_; }

Q_SIGNALS:
    // Another launch asked this instance to show its settings window.
    void settingsRequested();

private:
    bool handOver();
    bool listen();
    void readRequest(class QLocalSocket* socket);

    QString name_;
    QLocalServer server_;
};

}  // namespace mirelon
