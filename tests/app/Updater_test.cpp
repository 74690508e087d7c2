// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Updater.h"
#include "app/UpdateDialogs.h"
#include "app/UpdateFeed.h"
#include "platform/qt/ManualScheduler.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QMessageBox>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <gtest/gtest.h>

using namespace mirelon;

namespace {

QByteArray feedWith(const QByteArray& items) {
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
           "<rss version=\"2.0\" xmlns:mirelon=\"https://mirelon.app/ns\"><channel>"
           "<title>Mirelon releases</title>" +
           items + "</channel></rss>";
}

QByteArray item(const QByteArray& version, const QByteArray& link = "https://mirelon.app/dl",
                const QByteArray& description = "Notes") {
    return "<item><title>Mirelon " + version + "</title><link>" + link + "</link><description>" +
           description + "</description><mirelon:version>" + version + "</mirelon:version></item>";
}

class FakeFetcher : public FeedFetcher {
public:
    void fetch(const QUrl& url, Callback done) override {
        urls.append(url);
        pending = std::move(done);
    }
    void answer(const QByteArray& body, const QString& error = {}) {
        auto done = std::move(pending);
        pending = nullptr;
        done({body, error});
    }
    QList<QUrl> urls;
    Callback pending;
};

class FakePresenter : public UpdatePresenter {
public:
    void showUpToDate(const QString& v) override { shown.append(QStringLiteral("upToDate ") + v); }
    void showUpdateAvailable(const ReleaseItem& r, const QString& v) override {
        shown.append(QStringLiteral("available %1 over %2").arg(r.version, v));
    }
    void showError(const QString& m) override { shown.append(QStringLiteral("error ") + m); }
    void showStillChecking() override { shown.append(QStringLiteral("stillChecking")); }
    QStringList shown;
};

}  // namespace

TEST(VersionNumberTest, OrdersNumericallyWithSuffixesFirst) {
    auto v = [](const char* s) { return *VersionNumber::parse(QString::fromLatin1(s)); };
    EXPECT_TRUE(v("1.2.9") < v("1.2.10"));
    EXPECT_TRUE(v("1.0") == v("1.0.0"));
    EXPECT_TRUE(v("v2.0") == v("2.0.0"));
    EXPECT_TRUE(v("1.3.0-beta1") < v("1.3.0"));
    EXPECT_TRUE(v("1.3.0-beta1") < v("1.3.0-beta2"));
    EXPECT_TRUE(v("0.9.99") < v("1"));
    for (const char* bad : {"", "1..2", "1.x", "abc", "1.2-", "-1", "99999999999", "1 .2"}) {
        EXPECT_FALSE(VersionNumber::parse(QString::fromLatin1(bad))) << bad;
    }
}

TEST(UpdateFeedTest, ReadsItemsAndPicksTheNewest) {
    const auto result = UpdateFeed::parse(
        feedWith(item("1.0.0") +
                 item("1.10.0", "http://mirelon.app/x", "&lt;p&gt;Big &amp;amp; new&lt;/p&gt;") +
                 item("1.9.3")));
    ASSERT_TRUE(result.error.isEmpty()) << result.error.toStdString();
    ASSERT_EQ(result.items.size(), 3);
    const auto newest = UpdateFeed::newest(result.items);
    ASSERT_TRUE(newest);
    EXPECT_EQ(newest->version, QStringLiteral("1.10.0"));
    EXPECT_EQ(newest->title, QStringLiteral("Mirelon 1.10.0"));
    EXPECT_EQ(newest->link, QUrl(QStringLiteral("http://mirelon.app/x")));
    EXPECT_EQ(UpdateFeed::plainText(newest->description), QStringLiteral("Big & new"));
    // A plain <version> element works as well; items without a version are skipped.
    const auto plain = UpdateFeed::parse(
        feedWith("<item><title>x</title><version>2.0</version></item><item><title>no</title>"
                 "</item>"));
    ASSERT_EQ(plain.items.size(), 1);
    EXPECT_EQ(plain.items[0].version, QStringLiteral("2.0"));
}

TEST(UpdateFeedTest, RefusesHostileAndBrokenDocuments) {
    // Entity expansion (the "billion laughs") and external entities are refused.
    const QByteArray laughs =
        "<?xml version=\"1.0\"?><!DOCTYPE rss [<!ENTITY a \"aaaaaaaaaa\">"
        "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\"><!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;\">]>"
        "<rss version=\"2.0\"><channel><item><title>&c;</title><version>9.0</version></item>"
        "</channel></rss>";
    auto r = UpdateFeed::parse(laughs);
    EXPECT_FALSE(r.error.isEmpty());
    EXPECT_TRUE(r.items.isEmpty());
    const QByteArray external =
        "<?xml version=\"1.0\"?><!DOCTYPE rss [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>"
        "<rss><channel><item><description>&x;</description><version>9</version></item>"
        "</channel></rss>";
    EXPECT_FALSE(UpdateFeed::parse(external).error.isEmpty());
    // Undeclared entities, truncated documents, other roots, oversize.
    EXPECT_FALSE(UpdateFeed::parse(feedWith(item("2.0", "https://a.b/", "&x;"))).error.isEmpty());
    EXPECT_FALSE(UpdateFeed::parse(feedWith(item("2.0")).left(120)).error.isEmpty());
    EXPECT_FALSE(UpdateFeed::parse("<html><body/></html>").error.isEmpty());
    EXPECT_FALSE(UpdateFeed::parse("not xml at all").error.isEmpty());
    EXPECT_FALSE(UpdateFeed::parse("").error.isEmpty());
    EXPECT_FALSE(
        UpdateFeed::parse(QByteArray(UpdateFeed::maximumDocumentSize + 1, ' ')).error.isEmpty());
    // Only http and https links survive.
    for (const char* link : {"javascript:alert(1)", "file:///etc/passwd", "mailto:a@b", "https://",
                             "ftp://mirelon.app/x"}) {
        const auto withLink = UpdateFeed::parse(feedWith(item("2.0", link)));
        ASSERT_EQ(withLink.items.size(), 1) << link;
        EXPECT_TRUE(withLink.items[0].link.isEmpty()) << link;
    }
    // An overlong title drops its item instead of growing without bound.
    const auto longTitle = UpdateFeed::parse(
        feedWith("<item><title>" + QByteArray(UpdateFeed::maximumFieldLength + 1, 'x') +
                 "</title><version>3.0</version></item>" + item("2.0")));
    ASSERT_EQ(longTitle.items.size(), 1);
    EXPECT_EQ(longTitle.items[0].version, QStringLiteral("2.0"));
}

TEST(UpdaterTest, ReportsEachOutcomeOfAUserCheck) {
    ScopedManualScheduler scheduler;
    FakeFetcher fetcher;
    FakePresenter presenter;
    Updater updater(QUrl(QStringLiteral("https://mirelon.app/feed.xml")), QStringLiteral("1.2.0"),
                    fetcher, presenter);

    updater.checkForUpdates();
    EXPECT_TRUE(updater.isChecking());
    updater.checkForUpdates();  // joins the check on its way, and says so
    EXPECT_EQ(fetcher.urls.size(), 1);
    EXPECT_EQ(presenter.shown, QStringList{QStringLiteral("stillChecking")});
    presenter.shown.clear();
    fetcher.answer(feedWith(item("1.2.0") + item("1.1.0")));
    updater.checkForUpdates();
    fetcher.answer(feedWith(item("1.3.0")));
    updater.checkForUpdates();
    fetcher.answer("<rss><channel><item>");
    updater.checkForUpdates();
    fetcher.answer({}, QStringLiteral("Connection refused"));
    updater.checkForUpdates();
    fetcher.answer(feedWith(""));
    ASSERT_EQ(presenter.shown.size(), 5);
    EXPECT_EQ(presenter.shown[0], QStringLiteral("upToDate 1.2.0"));
    EXPECT_EQ(presenter.shown[1], QStringLiteral("available 1.3.0 over 1.2.0"));
    EXPECT_TRUE(presenter.shown[2].startsWith(QStringLiteral("error The update feed could not")));
    EXPECT_EQ(presenter.shown[3], QStringLiteral("error Connection refused"));
    EXPECT_EQ(presenter.shown[4], QStringLiteral("error The update feed lists no release."));
}

TEST(UpdaterTest, BackgroundChecksRunDailyAndOnlyAnnounceNewVersionsOnce) {
    ScopedManualScheduler scheduler;
    FakeFetcher fetcher;
    FakePresenter presenter;
    Updater updater(QUrl(QStringLiteral("https://mirelon.app/feed.xml")), QStringLiteral("1.2.0"),
                    fetcher, presenter);
    updater.startBackgroundChecks();
    scheduler.scheduler.advance(Updater::firstBackgroundCheckDelay - 1);
    EXPECT_TRUE(fetcher.urls.isEmpty());
    scheduler.scheduler.advance(1);
    ASSERT_EQ(fetcher.urls.size(), 1);
    fetcher.answer(feedWith(item("1.2.0")));  // up to date: silent
    EXPECT_TRUE(presenter.shown.isEmpty());

    scheduler.scheduler.advance(Updater::backgroundCheckInterval);
    ASSERT_EQ(fetcher.urls.size(), 2);
    fetcher.answer({}, QStringLiteral("offline"));  // errors: silent
    EXPECT_TRUE(presenter.shown.isEmpty());

    scheduler.scheduler.advance(Updater::backgroundCheckInterval);
    fetcher.answer(feedWith(item("1.4.0")));
    scheduler.scheduler.advance(Updater::backgroundCheckInterval);
    fetcher.answer(feedWith(item("1.4.0")));
    EXPECT_EQ(presenter.shown, QStringList{QStringLiteral("available 1.4.0 over 1.2.0")});
    // Asking by hand always answers.
    updater.checkForUpdates();
    fetcher.answer(feedWith(item("1.4.0")));
    EXPECT_EQ(presenter.shown.size(), 2);
}

TEST(UpdaterTest, AnAnswerAfterTheUpdaterIsGoneIsDropped) {
    FakeFetcher fetcher;
    FakePresenter presenter;
    {
        Updater updater(QUrl(QStringLiteral("https://x.y/f")), QStringLiteral("1.0"), fetcher,
                        presenter);
        updater.checkForUpdates();
    }
    fetcher.answer(feedWith(item("2.0")));
    EXPECT_TRUE(presenter.shown.isEmpty());
}

TEST(UpdateDialogsTest, DownloadOpensOnlyWebLinks) {
    QList<QUrl> opened;
    UpdateDialogs dialogs([&](const QUrl& u) {
        opened.append(u);
        return true;
    });
    ReleaseItem release{QStringLiteral("2.0"), QStringLiteral("Mirelon 2.0"),
                        QUrl(QStringLiteral("https://mirelon.app/download")),
                        QStringLiteral("<ul><li>One</li><li>Two</li></ul>")};
    dialogs.showUpdateAvailable(release, QStringLiteral("1.0"));
    QMessageBox* box = dialogs.currentDialog();
    ASSERT_TRUE(box);
    EXPECT_EQ(box->windowTitle(), UpdateDialogs::updateAvailableTitle);
    EXPECT_TRUE(box->informativeText().contains(QStringLiteral("• One\n• Two")))
        << box->informativeText().toStdString();
    QAbstractButton* download = nullptr;
    for (QAbstractButton* b : box->buttons()) {
        if (b->text() == QStringLiteral("Download...")) {
            download = b;
        }
    }
    ASSERT_TRUE(download);
    download->click();
    EXPECT_EQ(opened, QList<QUrl>{release.link});

    // Without an openable link there is nothing to click through.
    release.link = QUrl(QStringLiteral("javascript:alert(1)"));
    dialogs.showUpdateAvailable(release, QStringLiteral("1.0"));
    ASSERT_TRUE(dialogs.currentDialog());
    EXPECT_EQ(dialogs.currentDialog()->buttons().size(), 1);

    dialogs.showUpToDate(QStringLiteral("1.0"));
    EXPECT_EQ(dialogs.currentDialog()->windowTitle(), UpdateDialogs::upToDateTitle);
    dialogs.showError(QStringLiteral("boom"));
    EXPECT_EQ(dialogs.currentDialog()->windowTitle(), UpdateDialogs::errorTitle);
    EXPECT_EQ(dialogs.currentDialog()->informativeText(), QStringLiteral("boom"));
}

TEST(UpdaterTest, ABackgroundCheckOnItsWayServesAClickAndSaysSo) {
    ScopedManualScheduler scheduler;
    FakeFetcher fetcher;
    FakePresenter presenter;
    Updater updater(QUrl(QStringLiteral("https://mirelon.app/feed.xml")), QStringLiteral("1.2.0"),
                    fetcher, presenter);
    updater.startBackgroundChecks();
    scheduler.scheduler.advance(Updater::firstBackgroundCheckDelay);
    ASSERT_EQ(fetcher.urls.size(), 1);
    updater.checkForUpdates();
    updater.checkForUpdates();
    EXPECT_EQ(fetcher.urls.size(), 1);
    fetcher.answer(feedWith(item("1.2.0")));
    // The background check now answers the user, who waited for it.
    EXPECT_EQ(presenter.shown,
              (QStringList{QStringLiteral("stillChecking"), QStringLiteral("stillChecking"),
                           QStringLiteral("upToDate 1.2.0")}));
}

// A local server that answers every request with headers and then either
// nothing more or one body byte at a time, never finishing.
class StallingServer : public QObject {
public:
    explicit StallingServer(bool drip) {
        server_.listen(QHostAddress::LocalHost);
        QObject::connect(&server_, &QTcpServer::newConnection, this, [this, drip] {
            while (QTcpSocket* socket = server_.nextPendingConnection()) {
                socket->setParent(this);
                socket->write(
                    "HTTP/1.1 200 OK\r\nContent-Type: application/rss+xml\r\n"
                    "Content-Length: 100000\r\n\r\n");
                if (drip) {
                    auto* timer = new QTimer(socket);
                    QObject::connect(timer, &QTimer::timeout, socket,
                                     [socket] { socket->write("<"); });
                    timer->start(50);
                }
            }
        });
    }
    QUrl url() const {
        return QUrl(QStringLiteral("http://127.0.0.1:%1/feed.xml").arg(server_.serverPort()));
    }

private:
    QTcpServer server_;
};

TEST(NetworkFeedFetcherTest, SlowAndSilentServersEndAtTheDeadlineWithAPlainMessage) {
    for (const bool drip : {false, true}) {
        StallingServer server(drip);
        NetworkFeedFetcher fetcher(nullptr, 600);
        std::optional<FeedFetcher::Response> response;
        fetcher.fetch(server.url(), [&](const FeedFetcher::Response& r) { response = r; });
        // Bounded by the test's own timeout: the fetcher must end the download itself.
        while (!response) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        }
        EXPECT_EQ(response->error, NetworkFeedFetcher::timedOutMessage) << "drip " << drip;
        EXPECT_TRUE(response->body.isEmpty());
    }
}

TEST(UpdateDialogsTest, LongTitlesAreCutShortAndKeptOnOneLine) {
    UpdateDialogs dialogs([](const QUrl&) { return true; });
    ReleaseItem release{QStringLiteral("2.0"), QStringLiteral("Mirelon\n") + QString(2000, u'x'),
                        QUrl(QStringLiteral("https://mirelon.app/download")), QString()};
    dialogs.showUpdateAvailable(release, QStringLiteral("1.0"));
    ASSERT_TRUE(dialogs.currentDialog());
    const QStringList lines = dialogs.currentDialog()->informativeText().split(u'\n');
    ASSERT_GE(lines.size(), 2);
    EXPECT_EQ(lines[0].size(), UpdateDialogs::maximumShownTitleLength + 3);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("Mirelon xxx")));
    EXPECT_TRUE(lines[0].endsWith(QStringLiteral("x...")));
    EXPECT_EQ(lines[1], QStringLiteral("Mirelon 2.0 is now available; you have 1.0."));

    dialogs.showStillChecking();
    EXPECT_EQ(dialogs.currentDialog()->windowTitle(), UpdateDialogs::stillCheckingTitle);
}
