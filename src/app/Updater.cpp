// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Updater.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

Q_LOGGING_CATEGORY(lcUpdate, "app.mirelon.Mirelon.update", QtInfoMsg)

namespace mirelon {

NetworkFeedFetcher::NetworkFeedFetcher(QObject* parent, int deadlineMs)
    : QObject(parent), network_(new QNetworkAccessManager(this)), deadlineMs_(deadlineMs) {}

NetworkFeedFetcher::~NetworkFeedFetcher() = default;

void NetworkFeedFetcher::fetch(const QUrl& url, Callback done) {
    if (!UpdateFeed::isOpenableLink(url)) {
        done({{},
              QCoreApplication::translate(
                  "UpdateFeed", "The update feed address is not an http or https address.")});
        return;
    }
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(5);
    request.setTransferTimeout(deadlineMs_);
    request.setHeader(QNetworkRequest::UserAgentHeader,
                      QStringLiteral("Mirelon/%1").arg(QStringLiteral(MIRELON_VERSION)));
    QNetworkReply* reply = network_->get(request);
    auto body = std::make_shared<QByteArray>();
    auto tooLarge = std::make_shared<bool>(false);
    auto timedOut = std::make_shared<bool>(false);
    // The whole download, not just each silence, must end within the deadline.
    auto* deadline = new QTimer(reply);
    deadline->setSingleShot(true);
    connect(deadline, &QTimer::timeout, reply, [reply, timedOut] {
        *timedOut = true;
        reply->abort();
    });
    deadline->start(deadlineMs_);
    connect(reply, &QNetworkReply::readyRead, reply, [reply, body, tooLarge] {
        body->append(reply->read(UpdateFeed::maximumDocumentSize + 1 - body->size()));
        if (body->size() > UpdateFeed::maximumDocumentSize) {
            *tooLarge = true;
            reply->abort();
        }
    });
    connect(reply, &QNetworkReply::finished, this, [reply, body, tooLarge, timedOut, done] {
        reply->deleteLater();
        if (*timedOut || reply->error() == QNetworkReply::TimeoutError ||
            (reply->error() == QNetworkReply::OperationCanceledError && !*tooLarge)) {
            done({{}, timedOutMessage});
            return;
        }
        if (*tooLarge) {
            done({{},
                  QCoreApplication::translate("UpdateFeed",
                                              "The update feed is larger than %1 bytes.")
                      .arg(UpdateFeed::maximumDocumentSize)});
            return;
        }
        if (reply->error() != QNetworkReply::NoError) {
            done({{}, reply->errorString()});
            return;
        }
        body->append(reply->read(UpdateFeed::maximumDocumentSize + 1 - body->size()));
        done({*body, {}});
    });
}

Updater::Updater(QUrl feedUrl, QString currentVersion, FeedFetcher& fetcher,
                 UpdatePresenter& presenter)
    : feedUrl_(std::move(feedUrl)),
      currentVersion_(std::move(currentVersion)),
      fetcher_(fetcher),
      presenter_(presenter) {}

QUrl Updater::configuredFeedUrl() {
    const QString overridden = qEnvironmentVariable("MIRELON_FEED_URL");
    return QUrl(overridden.isEmpty() ? QStringLiteral(MIRELON_FEED_URL) : overridden);
}

void Updater::startBackgroundChecks() {
    std::weak_ptr<bool> alive = alive_;
    firstCheck_ = Scheduler::main().schedule(firstBackgroundCheckDelay, [this, alive] {
        if (alive.lock()) {
            check(false);
        }
    });
    dailyCheck_ = Scheduler::main().scheduleRepeating(backgroundCheckInterval, [this, alive] {
        if (alive.lock()) {
            check(false);
        }
    });
}

void Updater::checkForUpdates() {
    check(true);
}

void Updater::check(bool userInitiated) {
    if (userInitiated) {
        userWaiting_ = true;
    }
    if (checking_) {
        // The answer on its way serves this request too.
        if (userInitiated) {
            presenter_.showStillChecking();
        }
        return;
    }
    checking_ = true;
    qCInfo(lcUpdate).noquote() << "Checking for updates at" << feedUrl_.toString();
    std::weak_ptr<bool> alive = alive_;
    fetcher_.fetch(feedUrl_, [this, alive](const FeedFetcher::Response& response) {
        if (alive.lock()) {
            finish(response);
        }
    });
}

void Updater::finish(const FeedFetcher::Response& response) {
    const bool showAll = userWaiting_;
    checking_ = false;
    userWaiting_ = false;
    QString error = response.error;
    std::optional<ReleaseItem> newest;
    if (error.isEmpty()) {
        const UpdateFeed::Result feed = UpdateFeed::parse(response.body);
        error = feed.error;
        if (error.isEmpty()) {
            newest = UpdateFeed::newest(feed.items);
            if (!newest) {
                error =
                    QCoreApplication::translate("UpdateFeed", "The update feed lists no release.");
            }
        }
    }
    if (!error.isEmpty()) {
        qCWarning(lcUpdate).noquote() << "Update check failed:" << error;
        if (showAll) {
            presenter_.showError(error);
        }
        return;
    }
    const auto current = VersionNumber::parse(currentVersion_);
    const auto offered = VersionNumber::parse(newest->version);
    if (current && offered && *current < *offered) {
        qCInfo(lcUpdate).noquote() << "Version" << newest->version << "is available";
        if (showAll || lastAnnouncedVersion_ != newest->version) {
            lastAnnouncedVersion_ = newest->version;
            presenter_.showUpdateAvailable(*newest, currentVersion_);
        }
        return;
    }
    qCInfo(lcUpdate).noquote() << "Up to date at" << currentVersion_;
    if (showAll) {
        presenter_.showUpToDate(currentVersion_);
    }
}

}  // namespace mirelon
