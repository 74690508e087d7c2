// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/UpdateFeed.h"
#include "platform/qt/Scheduler.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>

class QNetworkAccessManager;
class QNetworkReply;

namespace mirelon {

// Fetches the feed document. The answer arrives later on the main thread.
class FeedFetcher {
public:
    struct Response {
        QByteArray body;
        QString error;  // empty on success
    };
    using Callback = std::function<void(const Response&)>;
    virtual ~FeedFetcher() = default;
    virtual void fetch(const QUrl& url, Callback done) = 0;
};

// HTTP(S) download with a size bound, a time limit and no downgrade on redirect.
// The time limit covers the whole download: a server that trickles bytes or
// sends headers and then nothing ends the check like one that never answers.
class NetworkFeedFetcher final : public QObject, public FeedFetcher {
    Q_OBJECT
public:
    static constexpr int defaultDeadlineMs = 30000;
    static inline const QString timedOutMessage =
        QStringLiteral("The update server did not answer in time.");

    explicit NetworkFeedFetcher(QObject* parent = nullptr, int deadlineMs = defaultDeadlineMs);
    ~NetworkFeedFetcher() override;
    void fetch(const QUrl& url, Callback done) override;

private:
    QNetworkAccessManager* network_;
    int deadlineMs_;
};

// What the user is shown.
class UpdatePresenter {
public:
    virtual ~UpdatePresenter() = default;
    virtual void showUpToDate(const QString& currentVersion) = 0;
    virtual void showUpdateAvailable(const ReleaseItem& release, const QString& currentVersion) = 0;
    virtual void showError(const QString& message) = 0;
    // The user asked again while a check is on its way.
    virtual void showStillChecking() = 0;
};

// Checks the release feed once a day in the background and on request. It only
// tells: downloading and installing stay with the user.
class Updater {
public:
    static constexpr double firstBackgroundCheckDelay = 60.0;
    static constexpr double backgroundCheckInterval = 24 * 60 * 60.0;

    Updater(QUrl feedUrl, QString currentVersion, FeedFetcher& fetcher, UpdatePresenter& presenter);

    // The feed address: the build-time one, or MIRELON_FEED_URL from the
    // environment when set (used by tests and staging builds).
    static QUrl configuredFeedUrl();

    // Schedules the daily background checks (the first one shortly after launch).
    void startBackgroundChecks();
    // A check the user asked for: every outcome is shown. Asking while a check
    // is on its way says so; that check's answer serves both.
    void checkForUpdates();

    bool isChecking() const { return checking_; }

private:
    void check(bool userInitiated);
    void finish(const FeedFetcher::Response& response);

    QUrl feedUrl_;
    QString currentVersion_;
    FeedFetcher& fetcher_;
    UpdatePresenter& presenter_;
    bool checking_ = false;
    bool userWaiting_ = false;
    QString lastAnnouncedVersion_;  // background checks announce a version once
    TaskHandle firstCheck_;
    TaskHandle dailyCheck_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace mirelon
